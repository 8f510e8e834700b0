// The whole open of an e-script by the real editor, as a process: start, load from the
// embedded store, fill, first paint, quit (XAL_EXIT_AFTER_FIRST_PAINT). The baseline is a bare
// Qt program showing the same rows in a QTreeView (bench_open_baseline), run alternately with
// the editor in the same run. Wall time and peak memory (ru_maxrss) of each process; medians
// and the ratios editor / baseline. Then the same for the small demo e-script against a bare
// window with a small tree, and the in-process collect for save of the large e-script.
//
// Run: bench_open [runs] [--keep]  (default 5 runs; trace off, offscreen; --keep leaves the
//      suite home for profiling the editor by hand)

#include "benchhost.h"
#include "benchstore.h"
#include "scriptload.h"
#include "xalscripteditview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
const QString kLargeId = QStringLiteral("bench-open-large");
const QString kDemoId = QStringLiteral("demo-portal");
// The demo e-script shows 5 URLs and 6 parameters; the bare window shows 5 URLs with 1 each.
constexpr int kSmallURLs = 5;
constexpr int kSmallParams = 1;

struct Sample {
    double seconds = 0;
    long maxRssKb = 0;
};

[[noreturn]] void Fail(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "bench_open: %s %s\n", what, qPrintable(detail));
    std::exit(1);
}

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0)
        Fail("cannot write", path);
}

// Standard output and error of each run (shown when a run fails) and its measurement.
QString g_outputPath;
QString g_resultPath;

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (const std::string& text : texts)
        out.push_back(const_cast<char*>(text.c_str()));
    out.push_back(nullptr);
    return out;
}

// In a helper process ("--measure <result> <output> <program> <arguments>"): runs the program,
// its output going to <output>, and writes "<seconds> <ru_maxrss kB> <exit status>" to
// <result>. The helper is small and starts the program by fork: a program started straight
// from the benchmark would inherit the benchmark's peak memory in its ru_maxrss.
int MeasureInHelper(char** argv) {
    const int out = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0)
        return 1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execv(argv[2], argv + 2);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return 1;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    FILE* result = std::fopen(argv[0], "w");
    if (result == nullptr)
        return 1;
    std::fprintf(result, "%.6f %ld %d\n", seconds, usage.ru_maxrss,
                 WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return std::fclose(result) == 0 ? 0 : 1;
}

// Runs the program to its end through the helper; a failed run ends the benchmark.
Sample Run(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<std::string> helper = {QCoreApplication::applicationFilePath().toStdString(),
                                       "--measure", g_resultPath.toStdString(),
                                       g_outputPath.toStdString()};
    helper.insert(helper.end(), argv.begin(), argv.end());
    std::vector<char*> args = Pointers(helper);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = 0;
    if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0)
        Fail("cannot start", QString::fromStdString(argv[0]));
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail("the measuring helper failed for", QString::fromStdString(argv[0]));
    Sample sample;
    int exitStatus = -1;
    FILE* result = std::fopen(QFile::encodeName(g_resultPath).constData(), "r");
    const bool read = result != nullptr && std::fscanf(result, "%lf %ld %d", &sample.seconds,
                                                       &sample.maxRssKb, &exitStatus) == 3;
    if (result != nullptr)
        std::fclose(result);
    if (!read || exitStatus != 0) {
        QFile file(g_outputPath);
        if (file.open(QIODevice::ReadOnly))
            std::fprintf(stderr, "%s", file.readAll().constData());
        Fail("the run failed:", QString::fromStdString(argv[0]));
    }
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A suite home whose access file names an embedded store in it; the editor's environment.
class Installation {
public:
    Installation() {
        if (!m_dir.isValid())
            Fail("no temporary folder");
        WriteFile(Path("system/cfg/xal.cfg"), "[Settings]\nXalServer = proxy.example:8080\n");
        WriteFile(Path("system/cfg/zvaccess.cfg"),
                  "[MongoDB]\nServer = embedded:" + Path("suite.db").toUtf8() + "\n");
    }
    void Keep(bool keep) {
        m_dir.setAutoRemove(!keep);
        if (keep)
            std::printf("suite home kept: %s\n", qPrintable(m_dir.path()));
    }
    [[nodiscard]] QString Path(const char* name) const {
        return m_dir.filePath(QString::fromLatin1(name));
    }
    [[nodiscard]] QString Store() const { return QStringLiteral("embedded:") + Path("suite.db"); }

    [[nodiscard]] std::vector<std::string> Environment() const {
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const std::string name = text.substr(0, text.find('='));
            if (name.rfind("XAL_", 0) != 0 && name != "ZVHOME" && name != "ZVLG" &&
                name != "zvlg" && name != "QT_QPA_PLATFORM" && name.rfind("XDG_", 0) != 0)
                env.push_back(text);
        }
        const auto add = [&env](const char* name, const QString& value) {
            env.push_back(std::string(name) + "=" + value.toStdString());
        };
        add("ZVHOME", m_dir.path());
        add("ZVLG", QStringLiteral("en"));
        add("XDG_CONFIG_HOME", Path("config"));
        add("XDG_STATE_HOME", Path("state"));
        add("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
        add("XAL_TRACE_LEVEL", QStringLiteral("0"));
        add("XAL_TRACE_FILE", QStringLiteral("-"));
        add("XAL_MESSAGE_ANSWERS", QStringLiteral("ok"));
        add("XAL_EXIT_AFTER_FIRST_PAINT", QStringLiteral("1"));
        return env;
    }

private:
    QTemporaryDir m_dir;
};

struct Pair {
    std::vector<double> editorSeconds, baselineSeconds, editorMb, baselineMb;
};

// Alternates editor and baseline runs, after one untimed run of each (disk cache, settings).
Pair Measure(int runs, const std::vector<std::string>& editor,
             const std::vector<std::string>& baseline, const std::vector<std::string>& env) {
    Run(editor, env);
    Run(baseline, env);
    Pair pair;
    for (int i = 0; i < runs; ++i) {
        const bool editorFirst = i % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool isEditor = (k == 0) == editorFirst;
            const Sample s = Run(isEditor ? editor : baseline, env);
            (isEditor ? pair.editorSeconds : pair.baselineSeconds).push_back(s.seconds);
            (isEditor ? pair.editorMb : pair.baselineMb).push_back(s.maxRssKb / 1024.0);
        }
    }
    return pair;
}

void Report(const char* name, const Pair& pair) {
    const double et = Median(pair.editorSeconds);
    const double bt = Median(pair.baselineSeconds);
    const double em = Median(pair.editorMb);
    const double bm = Median(pair.baselineMb);
    std::printf("%-6s editor   %7.3f s %7.1f MB\n", name, et, em);
    std::printf("%-6s baseline %7.3f s %7.1f MB\n", name, bt, bm);
    std::printf("%-6s ratio    time %.2fx  memory %.2fx\n", name, et / bt, em / bm);
    std::printf("%-6s runs (s): editor", name);
    for (double t : pair.editorSeconds)
        std::printf(" %.3f", t);
    std::printf(", baseline");
    for (double t : pair.baselineSeconds)
        std::printf(" %.3f", t);
    std::printf("\n");
    std::fflush(stdout);
}

// GetScriptList of the large e-script as loaded into the tab view, median of runs.
double CollectMs(CMongoDB& db, int runs) {
    CScriptObj script;
    script.m_strID = kLargeId;
    if (!LoadScript(db, script))
        Fail("the large e-script could not be read back");
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    view.SetScript(script);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        CScriptObj out;
        const auto start = std::chrono::steady_clock::now();
        view.GetScriptList(out);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return Median(ms);
}
} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--measure")
        return MeasureInHelper(argv + 2);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XAL_TRACE_LEVEL", "0");
    qputenv("XAL_TRACE_FILE", "-");
    QApplication app(argc, argv);
    // "--keep": the suite home stays (its path is printed), for profiling the editor by hand.
    const bool keep = argc > 1 && std::string(argv[argc - 1]) == "--keep";
    const int runs =
        argc > 1 && std::string(argv[1]) != "--keep" ? std::max(1, std::atoi(argv[1])) : 5;

    Installation home;
    home.Keep(keep);
    g_outputPath = home.Path("run-output.txt");
    g_resultPath = home.Path("run-result.txt");
    CMongoDB db(home.Store(), QString());
    SeedEmbeddedStore(db, kLargeId, MakeLargeEScript(kLargeId));
    const std::vector<std::string> env = home.Environment();
    // The demo e-scripts go in as the demo does it.
    Run({XALDB_PATH, "--server", home.Store().toStdString(), "import", "xaldata.escript",
         DEMO_ESCRIPTS},
        env);

    const std::string editor = XALSCRIPEDIT_PATH;
    const std::string baseline = BASELINE_PATH;
    std::printf("%d runs each, alternating, medians\n", runs);
    Report("large", Measure(runs, {editor, "/xalid:" + kLargeId.toStdString()},
                            {baseline,
                             std::to_string(kLargeURLs + kLargeConditional * kLargeConditionalURLs),
                             std::to_string(kLargeParams)},
                            env));
    Report("small",
           Measure(runs, {editor, "/xalid:" + kDemoId.toStdString()},
                   {baseline, std::to_string(kSmallURLs), std::to_string(kSmallParams)}, env));
    std::printf("collect for save (large, in process): %.1f ms\n", CollectMs(db, runs));
    return 0;
}
