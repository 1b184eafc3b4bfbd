// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_console.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "form1.h"
#include "presets.h"
#include "recording_platform.h"
#include "win32_handles.h"
#include "win32_platform.h"
#include "win32_test_support.h"
#include "win32_text.h"

namespace talvenor::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> LinesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What a console stand-in program prints, run to its end.
std::string OutputOf(std::wstring line) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    CreatePipe(&read, &write, &inherited, 0);
    const win32::KernelHandle reader(read);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(write);
    if (!started) return {};
    const win32::KernelHandle processHandle(process.hProcess);
    const win32::KernelHandle threadHandle(process.hThread);
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    WaitForSingleObject(process.hProcess, 10000);
    std::erase(output, '\r');
    return output;
}

// The conversion's console process, the program that shows the tool: the one running copy of it.
DWORD ConsoleProcess(const std::wstring& exeName) {
    const win32::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0) return entry.th32ProcessID;
    }
    return 0;
}

// A conversion as "Lancer" starts it, with a console stand-in for ffmpeg that reports what it
// received and ends as it is told; the console is read and typed into as a user would.
class ConversionConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A copy of the real program of its own, so that the console process is found by its name.
        fs::copy_file(TestProgramFolder() / L"Talvenor.exe", tools.path() / L"Talvenor.exe");
        platform.SetConsoleProgram((tools.path() / L"Talvenor.exe").wstring());
        fs::copy_file(TestProgramFolder() / L"argv_echo.exe", tools.path() / L"ffmpeg.exe");
    }
    void TearDown() override {
        // A console the test left open would outlive it, and keep its folders from going.
        while (const DWORD left = ConsoleProcess(L"Talvenor.exe")) {
            const win32::KernelHandle process(
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, left));
            if (!process) break;
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
        }
    }

    std::string ConsoleText(DWORD process) const {
        return OutputOf(L"\"" + (TestProgramFolder() / L"console_peek.exe").wstring() +
                        L"\" text " + std::to_wstring(process));
    }
    void Type(DWORD process, const std::wstring& keys) const {
        OutputOf(L"\"" + (TestProgramFolder() / L"console_peek.exe").wstring() + L"\" type " +
                 std::to_wstring(process) + L" " + keys);
    }

    TemporaryFolder tools{L"Talvenor console"};
    TemporaryFolder videos{L"Talvenor vidéos console"};
    const WorkingDirectory inVideos{videos.path()};
    win32::Win32Platform platform{GetModuleHandleW(nullptr)};
};

TEST_F(ConversionConsoleTest, TheConsoleClosesOnSuccessAndOnFailureStaysWithItsCodeUntilEntree) {
    struct Case {
        const char* what;
        const wchar_t* exitCode;
        bool waitsForQ;         // the tool stops on "q" typed into the console
        const char* codeShown;  // null: success, the console closes by itself
        const wchar_t* says = L"";  // the tool's last line
        const char* reason = "";    // how the console's line saying why begins
    };
    const Case cases[] = {
        {"success", L"0", false, nullptr},
        {"stopped with q, then success", L"0", true, nullptr},
        {"failure", L"3", false, "3", L"", "ffmpeg n'a pas pu convertir la vidéo"},
        {"a full disk", L"1", false, "1", L"x.avi: No space left on device", "Le disque est plein"},
        {"stopped with q, then failure", L"255", true, "255", L"random.flv: Invalid data found when processing input",
         "ffmpeg ne sait pas lire le fichier source comme une vidéo"},
        {"crash", L"0xC0000005", false, "0xC0000005", L"", "ffmpeg s'est arrêté brutalement"},
    };
    const std::string baseName = "clip été «x» 日本";
    const CommandLine conversion =
        ConversionCommand(kPresets[1], win32::Narrow(tools.path().wstring()), baseName);
    const fs::path output = videos.path() / win32::Widen(conversion.output);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(videos.path() / L"argv_echo.txt");
        fs::remove(videos.path() / L"argv_echo.q");
        // A file the user agreed to replace: it stays whole until the new one is.
        std::ofstream(output, std::ios::binary) << "précieux";
        const EnvironmentVariable exitCode(L"ARGV_ECHO_EXIT", c.exitCode);
        const EnvironmentVariable waitForQ(L"ARGV_ECHO_WAIT_FOR_Q", c.waitsForQ ? L"1" : L"");
        const EnvironmentVariable writes(L"ARGV_ECHO_WRITE", L"nouveau");
        const EnvironmentVariable says(L"ARGV_ECHO_SAY", c.says);
        const ProcessHandle started = platform.Shell(conversion, WindowStyle::NormalFocus);
        ASSERT_TRUE(started);

        ASSERT_TRUE(
            PumpUntil([&] { return LinesOf(videos.path() / L"argv_echo.txt").size() >= 3; }));
        const std::vector<std::string> lines = LinesOf(videos.path() / L"argv_echo.txt");
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), conversion.arguments)
            << "the tool gets every argument whole";
        const DWORD console = ConsoleProcess(L"Talvenor.exe");
        if (c.codeShown == nullptr && !c.waitsForQ && console == 0) continue;  // already closed
        ASSERT_NE(console, 0u);
        const win32::KernelHandle process(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, console));
        ASSERT_TRUE(process);
        const auto ended = [&] { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; };

        if (c.waitsForQ) {
            EXPECT_TRUE(platform.IsRunning(started)) << "the tool still runs";
            Type(console, L"q");
            EXPECT_TRUE(PumpUntil([&] { return fs::exists(videos.path() / L"argv_echo.q"); }))
                << "q typed into the console reaches the tool";
        }
        const auto finalFile = [&] { return LinesOf(output).empty() ? std::string() : LinesOf(output)[0]; };
        if (c.codeShown == nullptr) {
            EXPECT_TRUE(PumpUntil(ended)) << "the console closes by itself";
            EXPECT_EQ(ConsoleText(console).find("échoué"), std::string::npos);
            EXPECT_EQ(finalFile(), "nouveau");
            EXPECT_FALSE(fs::exists(videos.path() / win32::Widen(conversion.partialOutput)));
            continue;
        }
        const std::string failed =
            std::string("La conversion a échoué (code ") + c.codeShown + ").";
        const std::string prompt = "Appuyez sur Entrée pour fermer cette fenêtre.";
        std::string shown;
        EXPECT_TRUE(PumpUntil([&] {
            shown = ConsoleText(console);
            return shown.find(prompt) != std::string::npos;
        })) << shown;
        EXPECT_NE(shown.find(failed + "\n" + c.reason), std::string::npos) << shown;
        EXPECT_NE(shown.find(prompt + "\n"), std::string::npos) << shown;
        EXPECT_EQ(finalFile(), "précieux") << "the file to replace was lost";
        EXPECT_FALSE(fs::exists(videos.path() / win32::Widen(conversion.partialOutput))) << "a partial file was left";
        EXPECT_FALSE(ended()) << "the console waits for Entrée";
        EXPECT_FALSE(platform.IsRunning(started)) << "the conversion is over once its tool has ended";
        Type(console, L"\\r");
        EXPECT_TRUE(PumpUntil(ended)) << "Entrée closes the console";
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(code, std::wcstoul(c.exitCode, nullptr, 0));
    }
}

// Stands in for the shell's notification area: keeps what Shell_NotifyIcon hands it.
class StandInTray {
public:
    struct Received {
        DWORD message;      // NIM_ADD, NIM_MODIFY, NIM_DELETE
        HWND icon;          // the window the icon reports to
        std::wstring data;  // the icon's data, its texts in UTF-16 among them
    };

    StandInTray() {
        WNDCLASSW kind{};
        kind.lpfnWndProc = Receive;
        kind.hInstance = GetModuleHandleW(nullptr);
        kind.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&kind);
        // In front of any other of its class: the shell's calls go to the first one found.
        window_.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0,
                                      0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~StandInTray() {
        window_.reset();
        UnregisterClassW(L"Shell_TrayWnd", GetModuleHandleW(nullptr));
    }

    std::vector<Received> received;

private:
    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<StandInTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != WM_COPYDATA || self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        self->received.push_back({static_cast<DWORD>(copy->dwData), reinterpret_cast<HWND>(wParam),
                                  std::wstring(static_cast<const wchar_t*>(copy->lpData), copy->cbData / sizeof(wchar_t))});
        return TRUE;
    }

    win32::Window window_;
};

TEST_F(ConversionConsoleTest, ALongConversionShowsItsProgressInItsTitleAndEndsWithANotification) {
    StandInTray tray;
    // A stand-in ffmpeg that reports 25, 50 and 75 % a second apart and ends after 12 s.
    const EnvironmentVariable progress(L"ARGV_ECHO_PROGRESS", L"1");
    // "Lancer" looks for ffmpeg beside the test program first, where there is none, then on the PATH.
    std::wstring path(32767, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
    const EnvironmentVariable toolsOnPath(L"PATH", tools.path().wstring() + L";" + path);
    CallLog log;
    RecordingControls controls{log};
    RecordingDialog dialog{log};
    Form1 form{controls, dialog, platform};
    platform.OnConversionEnded(
        [&form](ProcessHandle process, int exitCode, double seconds) { form.ConversionEnded(process, exitCode, seconds); });
    form.Form_Load();
    ASSERT_TRUE(form.ChooseFile(win32::Narrow((videos.path() / L"clip été.flv").wstring())));
    form.CmdLancer_Click();

    DWORD console = 0;
    ASSERT_TRUE(PumpUntil([&] { return (console = ConsoleProcess(L"Talvenor.exe")) != 0; }));
    const std::regex progressTitle("Talvenor — ffmpeg — (25|50|75) % \\(reste (30|20|10) s\\)\n");
    std::string title;
    EXPECT_TRUE(PumpUntil([&] {
        title = OutputOf(L"\"" + (TestProgramFolder() / L"console_peek.exe").wstring() + L"\" title " +
                         std::to_wstring(console));
        return std::regex_match(title, progressTitle);
    })) << "the console's title shows the progress; it read: " << title;
    const std::string shown = ConsoleText(console);
    EXPECT_NE(shown.find("Input #0, flv, from 'clip été.flv':"), std::string::npos)
        << "the tool's UTF-8 shows right in the console:\n" << shown;
    EXPECT_EQ(shown.find("9;4;"), std::string::npos) << "no progress sequence shows as text:\n" << shown;

    const std::wstring done = L"« clip été.avi » est prêt dans " + videos.path().wstring() + L".";
    const auto balloon = [&] {
        for (const StandInTray::Received& call : tray.received) {
            if ((call.message == NIM_ADD || call.message == NIM_MODIFY) &&
                call.data.find(L"Conversion terminée") != std::wstring::npos && call.data.find(done) != std::wstring::npos) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(PumpUntil(balloon, std::chrono::seconds(30))) << "the notification names the converted file";
    ASSERT_FALSE(tray.received.empty());
    // A click on the balloon, as the shell reports it, opens the file's folder in Explorer; the
    // balloon goes, and its icon with it.
    std::ofstream(videos.path() / L"clip été.avi") << "converted";
    PostMessageW(tray.received.back().icon, win32::kNotificationIconMessage, win32::kNotificationIconId, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(PumpUntil([&] { return tray.received.back().message == NIM_DELETE; }));
    HWND folder = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (folder = FindWindowW(nullptr, videos.path().filename().c_str())) != nullptr; },
                          std::chrono::seconds(30))) << "no Explorer window on the file's folder";
    if (folder != nullptr) PostMessageW(folder, WM_CLOSE, 0, 0);
}

TEST_F(ConversionConsoleTest, ClosingTheConsoleStopsTheConversion) {
    const EnvironmentVariable waitForQ(L"ARGV_ECHO_WAIT_FOR_Q", L"1");
    ASSERT_TRUE(platform.Shell(ConversionCommand(kPresets[0], win32::Narrow(tools.path().wstring()), "clip"),
                               WindowStyle::NormalFocus));
    ASSERT_TRUE(PumpUntil([&] { return ConsoleProcess(L"ffmpeg.exe") != 0; }));
    const win32::KernelHandle console(
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ConsoleProcess(L"Talvenor.exe")));
    ASSERT_TRUE(console);
    // As the system ends the console's program when its window is closed.
    TerminateProcess(console.get(), 1);
    EXPECT_TRUE(PumpUntil([] { return ConsoleProcess(L"ffmpeg.exe") == 0; })) << "the tool goes on alone";
}

TEST(ConsoleCommandLine, CarriesTheToolsLineThroughUntouched) {
    const std::wstring tool = LR"("C:\Outils\ffmpeg.exe" -y -i "clip \"été\"\\.flv"  -f avi x.avi)";
    // With and without the file to settle, whose names may hold blanks, accents and "--file".
    for (const win32::ConsoleRequest& request :
         {win32::ConsoleRequest{tool, L"", L""}, win32::ConsoleRequest{tool, L"D:\\v --file\\x.avi", L"x (inachevé).avi"},
          win32::ConsoleRequest{tool, L"\\\\s\\a\\\"b\\\\\" c.avi", L"-x.avi"}}) {
        const std::wstring line = win32::ConsoleCommandLine(L"C:\\Program Files\\Talvenor\\Talvenor.exe", request);
        EXPECT_EQ(win32::ConsoleRequestOf(line), request);
    }
    // Talvenor started for its window, or with a file, is not a console.
    EXPECT_EQ(win32::ConsoleRequestOf(LR"("C:\Talvenor\Talvenor.exe")"), std::nullopt);
    EXPECT_EQ(win32::ConsoleRequestOf(LR"(Talvenor.exe --consoles x)"), std::nullopt);
    EXPECT_EQ(win32::ConsoleRequestOf(LR"("C:\dossier --console\Talvenor.exe" clip.flv)"), std::nullopt);
    EXPECT_EQ(win32::ConsoleRequestOf(LR"(Talvenor.exe --console --file "x.avi")"), std::nullopt);
}

}  // namespace
}  // namespace talvenor::testing
