// tarnwick-dump as a user runs it: output, error text and exit status.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>

#include <thread>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#endif

#include "test_support.h"
#include "viewer_version.h"

namespace {

struct DumpRun {
    int status;
    std::string out, err;
};

#ifdef _WIN32
// One argument as the C runtime's command-line parser reads it back.
std::u16string QuoteArgument(const std::string& utf8) {
    std::u16string arg;
    if (!Utf8ToUtf16(utf8, &arg)) std::abort();
    if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos) return arg;
    std::u16string quoted = u"\"";
    size_t backslashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, u'\\');
    return quoted + u"\"";
}

std::string ReadAll(HANDLE pipe) {
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    return data;
}

// Runs the program (beside this test program) with the arguments, as
// Windows hands them over: one UTF-16 command line.
DumpRun Dump(const std::vector<std::string>& args, const char* program = TARNWICK_DUMP) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string exe = Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(self), n));
    exe = exe.substr(0, exe.find_last_of("\\/") + 1) + program;
    std::u16string line = QuoteArgument(exe);
    for (const std::string& arg : args) {
        line += u' ';
        line += QuoteArgument(arg);
    }

    DumpRun run{-1, {}, {}};
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return run;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    // A loaded wine server has been seen to refuse a start now and then:
    // a few tries, then the reason as a failure rather than an abort.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt) Sleep(500);
        started = CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process) != FALSE;
    }
    const DWORD startError = started ? 0 : GetLastError();
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!started) {
        ADD_FAILURE() << "CreateProcessW failed: " << startError;
        for (HANDLE h : {outRead, errRead}) CloseHandle(h);
        return run;
    }
    std::thread errReader([&] { run.err = ReadAll(errRead); });
    run.out = ReadAll(outRead);
    errReader.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.status = static_cast<int>(code);
    for (HANDLE h : {outRead, errRead, process.hProcess, process.hThread}) CloseHandle(h);
    return run;
}
#else
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the program through the shell with the arguments.
DumpRun Dump(const std::vector<std::string>& args, const char* program = TARNWICK_DUMP) {
    TempFile out, err;
    std::string cmd = program;
    for (const std::string& arg : args) {
        cmd += ' ';
        cmd += Quote(arg);
    }
    cmd += " >" + out.path() + " 2>" + err.path();
    const int raw = std::system(cmd.c_str());
    return DumpRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out.path()), Slurp(err.path())};
}
#endif

// A directory and a path that does not exist, on this system.
std::string TempDir() {
    const std::u8string dir = std::filesystem::temp_directory_path().u8string();
    return std::string(dir.begin(), dir.end());
}
std::string Nonexistent() { return TempDir() + "/nonexistent/clock.avi"; }

#ifdef SAMPLE_DIR  // the samples are written by a build for this machine only
TEST(TarnwickDump, PrintsTheBundledSampleInTreeOrder) {
    const DumpRun r = Dump({std::string(SAMPLE_DIR) + "/sample.avi"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "RIFF_AVI [856Bytes]\n"
              "  LIST_hdrl[192Bytes]\n"
              "    avih[56Bytes]\n"
              "    LIST_strl[116Bytes]\n"
              "      strh[56Bytes]\n"
              "      strf[40Bytes]\n"
              "  LIST_INFO[24Bytes]\n"
              "    ISFT[12Bytes]\n"
              "  LIST_movi[476Bytes]\n"
              "    00dc[40Bytes]\n"
              "    00dc[43Bytes]\n"
              "    00dc[46Bytes]\n"
              "    00dc[49Bytes]\n"
              "    00dc[52Bytes]\n"
              "    00dc[55Bytes]\n"
              "    00dc[58Bytes]\n"
              "    00dc[61Bytes]\n"
              "  idx1[128Bytes]\n");
}
#endif

#ifndef _WIN32
// --fields: the text form with what the well-known chunks hold below them;
// --json: the same fields as typed values. The plain form is the one above.
TEST(TarnwickDump, FieldsAndJsonTellWhatTheWellKnownChunksHold) {
    const std::string sample = std::string(SAMPLE_DIR) + "/sample.avi";
    const DumpRun fields = Dump({"--fields", sample});
    EXPECT_EQ(fields.status, 0);
    EXPECT_EQ(fields.err, "");
    EXPECT_EQ(fields.out.rfind("RIFF_AVI [856Bytes]\n"
                               "  LIST_hdrl[192Bytes]\n"
                               "    avih[56Bytes]\n"
                               "        dwMicroSecPerFrame = 40000 us\n"
                               "        1000000/dwMicroSecPerFrame = 25/s (1000000/40000)\n",
                               0),
              0u)
        << fields.out;
    for (const char* line : {"          fccHandler = 'MJPG'\n", "          dwLength*dwScale/dwRate = 00:00:00.320 (8/25)\n",
                             "        ISFT = \"make-sample\"\n", "      aIndex[0].dwFlags = 0x0010 (KEYFRAME)\n"})
        EXPECT_NE(fields.out.find(line), std::string::npos) << line;
    const DumpRun json = Dump({"--json", sample});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("{\"label\":\"avih\",\"size\":56,\"offset\":24,\"header\":8,\"fields\":{"
                            "\"dwMicroSecPerFrame\":40000,\"1000000/dwMicroSecPerFrame\":{\"num\":1000000,\"den\":40000},"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"dwFlags\":{\"value\":16,\"meaning\":\"HASINDEX\"}"), std::string::npos);
    EXPECT_NE(json.out.find("\"dwWidth x dwHeight\":{\"width\":32,\"height\":24}"), std::string::npos);
    EXPECT_EQ(Dump({"--fields", "--json", sample}).status, 2);  // one form at a time
}
#endif

TEST(TarnwickDump, JsonKeepsEveryLabelByte) {
    // Labels with a quote, a backslash, a control byte and a byte above 0x7F.
    Bytes body = Bytes::Chunk("a\"b\\", Bytes().fill(2)).append(Bytes::Chunk("\x01\xA9xy", Bytes()));
    TempFile f(Bytes::List("WAVE", body, "RIFF").str());
    const DumpRun text = Dump({f.path()});
    EXPECT_EQ(text.out, "RIFF_WAVE[22Bytes]\n  a\"b\\\\[2Bytes]\n  \\x01\\xa9xy[0Bytes]\n");
    const DumpRun json = Dump({"--json", f.path()});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "[{\"label\":\"RIFF_WAVE\",\"size\":22,\"offset\":0,\"header\":12,\"children\":["
              "{\"label\":\"a\\\"b\\\\\",\"size\":2,\"offset\":12,\"header\":8,\"children\":[]},"
              "{\"label\":\"\\u0001\\u00A9xy\",\"size\":0,\"offset\":22,\"header\":8,\"children\":[]}]}]\n");
}

TEST(TarnwickDump, TextLabelsCannotBreakLinesOrDriveTheTerminal) {
    // Defect: a chunk id of newline and two spaces before Z reads as one more
    // item; ESC [ 2 J clears the terminal; (c) and a NUL end their labels.
    Bytes body = Bytes::Chunk("\n  Z", Bytes())
                     .append(Bytes::Chunk("\x1b[2J", Bytes()))
                     .append(Bytes::Chunk("\xa9nam", Bytes()))
                     .append(Bytes::Chunk(std::string_view("\x7f\0ab", 4), Bytes()));
    TempFile f(Form("AVI ", body).str());
    const DumpRun text = Dump({f.path()});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
              "RIFF_AVI [36Bytes]\n"
              "  \\x0a  Z[0Bytes]\n"
              "  \\x1b[2J[0Bytes]\n"
              "  \\xa9nam[0Bytes]\n"
              "  \\x7f[0Bytes]\n");
}

TEST(TarnwickDump, AnyFileNameReachesTheProgram) {
    TempFile f(Form("WAVE", Leaf("data", 2)).str());
    const std::string name = f.path() + "-样本 файл 🎬.wav";
    std::filesystem::copy_file(FsPath(f.path()), FsPath(name));
    const DumpRun r = Dump({name});
    std::filesystem::remove(FsPath(name));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "RIFF_WAVE[14Bytes]\n  data[2Bytes]\n");
}

TEST(TarnwickDump, FailuresGoToStandardErrorWithStatusOne) {
    const DumpRun missing = Dump({Nonexistent()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, std::string(ReasonText(Reason::kCannotOpen)) + "\n");

    TempFile notRiff(Bytes().code("RIFX").le32(4).code("WAVE").str());
    const DumpRun wrong = Dump({"--json", notRiff.path()});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, std::string(ReasonText(Reason::kNotRiff)) + "\n");

    const DumpRun empty = Dump({""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, std::string(ReasonText(Reason::kEmptyPath)) + "\n");
}

TEST(TarnwickDump, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"a", "b"}, {"--bogus", "x"}, {"--json"}}) {
        const DumpRun r = Dump(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_EQ(r.out, "") << args.size();
        EXPECT_NE(r.err.find("usage: tarnwick-dump"), std::string::npos) << args.size();
    }
}

// --help and --version answer on standard output with status 0, whatever
// else is on the line but an unknown option; after -- they are file names.
TEST(DumpTools, HelpAndVersionAnswerOnStandardOutput) {
    const std::pair<const char*, std::string> tools[] = {{TARNWICK_DUMP, "tarnwick-dump"},
                                                         {QUELLBY_DUMP, "quellby-dump"}};
    for (const auto& [program, name] : tools) {
        SCOPED_TRACE(name);
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"--json", "x.avi", "--help"}}) {
            const DumpRun help = Dump(args, program);
            EXPECT_EQ(help.status, 0);
            EXPECT_EQ(help.err, "");
            EXPECT_EQ(help.out.rfind("usage: " + name + " [--fields | --json | --check] FILE\n", 0), 0u) << help.out;
            for (const char* part : {"--version", "exit status:", "\n  2  usage error", "\n  3  with --check",
                                     "\n  5  the output", "example:\n  "})
                EXPECT_NE(help.out.find(part), std::string::npos) << part;
        }
        const DumpRun version = Dump({"--version"}, program);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, name + " " VIEWER_VERSION_TEXT "\n");
        EXPECT_EQ(version.err, "");

        const DumpRun asFile = Dump({"--", "--version"}, program);
        EXPECT_EQ(asFile.status, 1);
        EXPECT_EQ(asFile.out, "");
        const DumpRun unknown = Dump({"--versio"}, program);
        EXPECT_EQ(unknown.status, 2);
        EXPECT_EQ(unknown.out, "");
        EXPECT_EQ(unknown.err.rfind("usage: " + name, 0), 0u);
        // Defect: an unknown option beside --help or --version was passed over.
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"--bogus", "--help"}, {"--version", "-x"}}) {
            const DumpRun both = Dump(args, program);
            EXPECT_EQ(both.status, 2) << args[0];
            EXPECT_EQ(both.out, "");
        }
    }
}

#ifndef _WIN32
// Runs a shell command line; its exit status and what it wrote on standard error.
DumpRun Shell(const std::string& line) {
    TempFile err;
    const int raw = std::system((line + " 2>" + err.path()).c_str());
    return DumpRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", Slurp(err.path())};
}

TEST(TarnwickDump, OutputThatCannotBeWrittenExitsWithFive) {
    TempFile f(Form("WAVE", Leaf("data", 2)).str());
    const std::string tool = std::string(TARNWICK_DUMP) + " ";
    // A full device, a closed standard output, and the usage asked for.
    for (const std::string& line :
         {tool + Quote(f.path()) + " >/dev/full", tool + Quote(f.path()) + " >&-", tool + "--help >/dev/full"}) {
        const DumpRun r = Shell(line);
        EXPECT_EQ(r.status, 5) << line;
        EXPECT_NE(r.err.find("tarnwick-dump: cannot write the output: "), std::string::npos) << line << r.err;
    }

    // A pipe whose reader is gone before anything is written, SIGPIPE
    // ignored (as a caller may leave it).
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    TempFile err;
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGPIPE, SIG_IGN);
        dup2(ends[1], 1);
        const int errFd = open(err.path().c_str(), O_WRONLY | O_TRUNC);
        dup2(errFd, 2);
        execl(TARNWICK_DUMP, TARNWICK_DUMP, "--json", f.path().c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    int raw = 0;
    ASSERT_EQ(waitpid(child, &raw, 0), child);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 5) << raw;
    EXPECT_EQ(Slurp(err.path()), std::string("tarnwick-dump: cannot write the output: ") + std::strerror(EPIPE) + "\n");
}

TEST(TarnwickDump, MemoryBudgetEndsASparseFileWithTheMessage) {
    // Defect: a RIFF header and then a hole of 256 MiB, read as 33 million
    // empty chunks; a budget of 16 MiB ends the analysis at 350,000 nodes.
    TempFile f(Bytes().code("RIFF").le32(0x0FFFFFF8).code("AVI ").str());
    f.Truncate(256LL << 20);
    const std::string tool = std::string(TARNWICK_DUMP) + " " + Quote(f.path()) + " >/dev/null";
    const DumpRun capped = Shell("VIEWER_MEMORY_BUDGET=16M " + tool);
    EXPECT_EQ(capped.status, 1);
    EXPECT_EQ(capped.err, std::string(ReasonText(Reason::kOutOfMemory)) + "\n");
    for (const char* wrong : {"16MB", "0", "lots", ""}) {
        const DumpRun r = Shell("VIEWER_MEMORY_BUDGET='" + std::string(wrong) + "' " + tool);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_NE(r.err.find("VIEWER_MEMORY_BUDGET is not a size"), std::string::npos) << wrong;
    }
}
#endif

TEST(DumpTools, CheckExitsWithThreeOnAnomaliesAndZeroWithout) {
    Bytes cut = Bytes().code("RIFF").le32(1036).code("WAVE").append(Leaf("fmt ", 16)).code("data").le32(1000).fill(100);
    TempFile bad(cut.str()), good(Form("WAVE", Leaf("fmt ", 16).append(Leaf("data", 4))).str());
    const DumpRun found = Dump({"--check", bad.path()});
    EXPECT_EQ(found.status, 3);
    EXPECT_EQ(found.out, "0 RIFF_WAVE: truncated: the file ends 900 bytes before its declared end\n"
                         "36 RIFF_WAVE/data: truncated: the file ends 900 bytes before its declared end\n");
    EXPECT_EQ(found.err, "");
    const DumpRun none = Dump({"--check", good.path()});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    // The text form of the same file is the tree alone, as before.
    EXPECT_EQ(Dump({bad.path()}).out, "RIFF_WAVE[1036Bytes]\n  fmt [16Bytes]\n  data[1000Bytes]\n");
    EXPECT_EQ(Dump({"--check", TempDir()}).status, 1);
    EXPECT_EQ(Dump({"--check", "--json", bad.path()}).status, 2);
    // Notes are not anomalies.
    TempFile zero(Bytes().be32(0).code("mdat").fill(8).str());
    const DumpRun note = Dump({"--check", zero.path()}, QUELLBY_DUMP);
    EXPECT_EQ(note.status, 0);
    EXPECT_EQ(note.out, "");
}

TEST(QuellbyDump, PrintsAtomsAndFailsLikeTarnwickDump) {
    Bytes mp4 = Bytes::Atom("ftyp", Bytes().code("isom").le32(0))
                    .append(Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(100))))
                    .append(Bytes::Atom("mdat", Bytes().fill(3)));
    TempFile f(mp4.str());
    const DumpRun text = Dump({f.path()}, QUELLBY_DUMP);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "TOP[143Bytes]\n  ftyp[16Bytes]\n  moov[116Bytes]\n    mvhd[108Bytes]\n  mdat[11Bytes]\n");
    const DumpRun json = Dump({"--json", f.path()}, QUELLBY_DUMP);
    EXPECT_EQ(json.out,
              "[{\"label\":\"TOP\",\"size\":143,\"offset\":0,\"header\":0,\"children\":["
              "{\"label\":\"ftyp\",\"size\":16,\"offset\":0,\"header\":8,"
              "\"fields\":{\"major_brand\":\"isom\",\"minor_version\":0,\"compatible_brands\":[]},\"children\":[]},"
              "{\"label\":\"moov\",\"size\":116,\"offset\":16,\"header\":8,\"children\":["
              "{\"label\":\"mvhd\",\"size\":108,\"offset\":24,\"header\":8,"
              "\"fields\":{\"timescale\":0,\"duration\":0,\"next_track_ID\":0},\"children\":[]}]},"
              "{\"label\":\"mdat\",\"size\":11,\"offset\":132,\"header\":8,\"children\":[]}]}]\n");

    const DumpRun dir = Dump({TempDir()}, QUELLBY_DUMP);
    EXPECT_EQ(dir.status, 1);
    EXPECT_EQ(dir.out, "");
    EXPECT_EQ(dir.err, std::string(ReasonText(Reason::kCannotOpen)) + "\n");
    const DumpRun usage = Dump({}, QUELLBY_DUMP);
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage: quellby-dump"), std::string::npos);
}

}  // namespace
