; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer: Talvenor for the current user, without administrator rights, with its
; Start menu shortcut, « Ouvrir avec » for FLV and AVI files and its entry in « Applications et
; fonctionnalités », with the ffmpeg.exe and ffplay.exe it ships and their licences. Made by
; scripts/package-win.sh:
;   makensis -DPROGRAM=Talvenor.exe -DREADME=LISEZMOI.txt -DTOOLS=folder -DFFMPEG_SIZE=bytes
;            -DFFPLAY_SIZE=bytes -DOUTFILE=setup.exe res/talvenor.nsi
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; No file's time is stored: two builds of the same files give the same installer.
SetDateSave off

; The version and the maker come from where the program's own version information takes them.
!searchparse /file "../src/core/version.h" '#define TALVENOR_VERSION_TEXT "' VERSION '"'
!searchparse /file "../src/core/version.h" '#define TALVENOR_VERSION_NUMBERS ' V1 ', ' V2 ', ' V3 ', ' V4
!searchparse /file "../src/core/version.h" '#define TALVENOR_MAKER "' MAKER '"'

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Talvenor"
!define UNINSTALLER "Désinstaller Talvenor.exe"
!define COMMAND '"$INSTDIR\Talvenor.exe" "%1"'
!define KEPT "Le dossier « $INSTDIR » est conservé avec ce que vous y avez placé (votre propre ffmpeg.exe...) : \
la désinstallation de Talvenor n'enlève que ses propres fichiers."

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh

Name "Talvenor"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Talvenor"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Talvenor ${VERSION}"

VIProductVersion "${V1}.${V2}.${V3}.${V4}"
VIAddVersionKey /LANG=1036 "ProductName" "Talvenor"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de Talvenor"
VIAddVersionKey /LANG=1036 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "${MAKER}"

!define MUI_ICON "p2_icon.ico"
!define MUI_UNICON "p2_icon.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Talvenor.exe"
; Free software: the licence is shown, not a contract to accept; /S skips it with every page.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Talvenor est un logiciel libre : cette licence vous permet de l'utiliser, \
de l'étudier, de le copier et de le modifier, et de le redistribuer aux mêmes conditions."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${TOOLS}/licences/Talvenor-GPL-3.0.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

; « Ouvrir avec » for one type: a ProgID of Talvenor's own, listed among the type's programs. The
; type's default program stays the user's choice.
!macro OpenWith TYPE DESCRIPTION
  WriteRegStr HKCU "Software\Classes\Talvenor.${TYPE}" "" "${DESCRIPTION}"
  WriteRegStr HKCU "Software\Classes\Talvenor.${TYPE}\DefaultIcon" "" "$INSTDIR\Talvenor.exe,0"
  WriteRegStr HKCU "Software\Classes\Talvenor.${TYPE}\shell\open\command" "" '${COMMAND}'
  WriteRegNone HKCU "Software\Classes\.${TYPE}\OpenWithProgids" "Talvenor.${TYPE}"
  WriteRegStr HKCU "Software\Classes\Applications\Talvenor.exe\SupportedTypes" ".${TYPE}" ""
!macroend

; Takes back what OpenWith wrote; the type's keys go only when nothing else is left in them.
!macro NoOpenWith TYPE
  DeleteRegKey HKCU "Software\Classes\Talvenor.${TYPE}"
  DeleteRegValue HKCU "Software\Classes\.${TYPE}\OpenWithProgids" "Talvenor.${TYPE}"
  DeleteRegKey /ifempty HKCU "Software\Classes\.${TYPE}\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "Software\Classes\.${TYPE}"
!macroend

; Talvenor's licence, the tools' and the note naming their sources, in the folder licences.
!macro ForEachLicence ACTION
  !insertmacro ${ACTION} Talvenor-GPL-3.0.txt
  !insertmacro ${ACTION} ffmpeg-LGPL-2.1.txt
  !insertmacro ${ACTION} LAME-LGPL-2.txt
  !insertmacro ${ACTION} SDL2-zlib.txt
  !insertmacro ${ACTION} zlib.txt
  !insertmacro ${ACTION} SOURCES.txt
!macroend
!macro InstallLicence NAME
  File "${TOOLS}/licences/${NAME}"
!macroend
!macro RemoveLicence NAME
  Delete "$INSTDIR\licences\${NAME}"
!macroend

; Removes a tool the installer put there, known by its size: a copy of the user's own stays.
!macro RemoveOwnTool NAME SIZE
  ClearErrors
  FileOpen $0 "$INSTDIR\${NAME}" r
  ${IfNot} ${Errors}
    FileSeek $0 0 END $1
    FileClose $0
    ${If} $1 = ${SIZE}
      Delete "$INSTDIR\${NAME}"
    ${EndIf}
  ${EndIf}
!macroend

!macro NotifyAssociationsChanged
  ; SHCNE_ASSOCCHANGED: Explorer reads the associations again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; The earlier installation goes first, by its own uninstaller, so that nothing of it stays.
Function RemoveEarlierInstallation
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${UNINSTALLER}"
    ; Run in place (_?=), so that it is waited for; it cannot remove itself then.
    ExecWait '"$0\${UNINSTALLER}" /S _?=$0'
    Delete "$0\${UNINSTALLER}"
    RMDir "$0"
  ${EndIf}
FunctionEnd

Section "Talvenor" SecProgram
  SectionIn RO
  Call RemoveEarlierInstallation
  SetOutPath "$INSTDIR"
  File "/oname=Talvenor.exe" "${PROGRAM}"
  File "/oname=LISEZMOI.txt" "${README}"
  File "/oname=ffmpeg.exe" "${TOOLS}/ffmpeg.exe"
  File "/oname=ffplay.exe" "${TOOLS}/ffplay.exe"
  SetOutPath "$INSTDIR\licences"
  !insertmacro ForEachLicence InstallLicence
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\Talvenor.lnk" "$INSTDIR\Talvenor.exe" "" "$INSTDIR\Talvenor.exe" 0 \
    SW_SHOWNORMAL "" "Convertir et regarder des vidéos avec ffmpeg et ffplay"

  !insertmacro OpenWith flv "Vidéo FLV"
  !insertmacro OpenWith avi "Vidéo AVI"
  WriteRegStr HKCU "Software\Classes\Applications\Talvenor.exe" "FriendlyAppName" "Talvenor"
  WriteRegStr HKCU "Software\Classes\Applications\Talvenor.exe\shell\open\command" "" '${COMMAND}'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Talvenor"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Talvenor.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Raccourci sur le bureau" SecDesktop
  CreateShortcut "$DESKTOP\Talvenor.lnk" "$INSTDIR\Talvenor.exe" "" "$INSTDIR\Talvenor.exe" 0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "DesktopShortcut" 1
SectionEnd

Function .onInit
  ; An update keeps the desktop shortcut that the earlier installation was asked for.
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "DesktopShortcut"
  ${If} $0 = 1
    !insertmacro SelectSection ${SecDesktop}
  ${EndIf}
FunctionEnd

Section "-notify"
  !insertmacro NotifyAssociationsChanged
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Talvenor.exe"
  Delete "$INSTDIR\LISEZMOI.txt"
  !insertmacro RemoveOwnTool ffmpeg.exe ${FFMPEG_SIZE}
  !insertmacro RemoveOwnTool ffplay.exe ${FFPLAY_SIZE}
  !insertmacro ForEachLicence RemoveLicence
  RMDir "$INSTDIR\licences"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\Talvenor.lnk"
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "DesktopShortcut"
  ${If} $0 = 1
    Delete "$DESKTOP\Talvenor.lnk"
  ${EndIf}

  !insertmacro NoOpenWith flv
  !insertmacro NoOpenWith avi
  DeleteRegKey HKCU "Software\Classes\Applications\Talvenor.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  !insertmacro NotifyAssociationsChanged

  ; The folder goes with Talvenor's files only: what the user put there stays.
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    MessageBox MB_OK|MB_ICONINFORMATION "${KEPT}" /SD IDOK
  ${EndIf}
SectionEnd
