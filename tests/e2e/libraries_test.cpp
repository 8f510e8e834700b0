// What the editor program loads: OpenSSL only with the recorder's module, when a recording
// starts; opening an e-script loads neither.

#include "editorrun.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <elf.h>

#include <cstring>
#include <optional>

namespace {

// The NEEDED entries of a 64-bit ELF file's dynamic section; nothing when the file cannot be
// read as one.
std::optional<QStringList> NeededLibraries(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray elf = file.readAll();
    const auto fits = [&](quint64 offset, quint64 size) {
        return offset <= quint64(elf.size()) && size <= quint64(elf.size()) - offset;
    };
    Elf64_Ehdr header;
    if (!fits(0, sizeof header) || !elf.startsWith(ELFMAG) || elf[EI_CLASS] != ELFCLASS64)
        return std::nullopt;
    std::memcpy(&header, elf.constData(), sizeof header);
    const auto section = [&](quint64 index) -> std::optional<Elf64_Shdr> {
        Elf64_Shdr s;
        const quint64 at = header.e_shoff + index * header.e_shentsize;
        if (index >= header.e_shnum || header.e_shentsize < sizeof s || !fits(at, sizeof s))
            return std::nullopt;
        std::memcpy(&s, elf.constData() + at, sizeof s);
        return s;
    };
    for (quint64 i = 0; i < header.e_shnum; ++i) {
        const std::optional<Elf64_Shdr> dynamic = section(i);
        if (!dynamic || dynamic->sh_type != SHT_DYNAMIC)
            continue;
        const std::optional<Elf64_Shdr> strings = section(dynamic->sh_link);
        if (!strings || !fits(dynamic->sh_offset, dynamic->sh_size) ||
            !fits(strings->sh_offset, strings->sh_size))
            return std::nullopt;
        QStringList needed;
        for (quint64 at = 0; at + sizeof(Elf64_Dyn) <= dynamic->sh_size; at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, elf.constData() + dynamic->sh_offset + at, sizeof entry);
            if (entry.d_tag == DT_NULL)
                break;
            if (entry.d_tag != DT_NEEDED || entry.d_un.d_val >= strings->sh_size)
                continue;
            const char* name = elf.constData() + strings->sh_offset + entry.d_un.d_val;
            needed.append(QString::fromLatin1(
                name, qsizetype(::strnlen(name, strings->sh_size - entry.d_un.d_val))));
        }
        return needed;
    }
    return std::nullopt;
}

bool NamesOpenSsl(const QStringList& libraries) {
    return libraries.contains(QStringLiteral("libssl.so.3")) ||
           libraries.contains(QStringLiteral("libcrypto.so.3"));
}

TEST(EditorLibraries, editor_and_suite_library_need_no_openssl_only_the_recorder_module_does) {
    const std::optional<QStringList> editor = NeededLibraries(QStringLiteral(XALSCRIPEDIT_PATH));
    const std::optional<QStringList> tools = NeededLibraries(QStringLiteral(XALTOOLS_PATH));
    const std::optional<QStringList> module = NeededLibraries(QStringLiteral(XAL_RECORDER_PATH));
    ASSERT_TRUE(editor && tools && module);
    // Read for real: the Qt core library is in all three.
    for (const QStringList* needed : {&*editor, &*tools, &*module})
        EXPECT_TRUE(needed->contains(QStringLiteral("libQt6Core.so.6")))
            << needed->join(u' ').toStdString();
    EXPECT_FALSE(NamesOpenSsl(*editor)) << editor->join(u' ').toStdString();
    EXPECT_FALSE(NamesOpenSsl(*tools)) << tools->join(u' ').toStdString();
    EXPECT_TRUE(module->contains(QStringLiteral("libssl.so.3")))
        << module->join(u' ').toStdString();
    // Printing likewise: its support library comes with the print module only.
    const std::optional<QStringList> print = NeededLibraries(QStringLiteral(XAL_PRINT_PATH));
    ASSERT_TRUE(print);
    EXPECT_FALSE(editor->contains(QStringLiteral("libQt6PrintSupport.so.6")));
    EXPECT_TRUE(print->contains(QStringLiteral("libQt6PrintSupport.so.6")))
        << print->join(u' ').toStdString();
}

// The files the dynamic loader opened during a run (LD_DEBUG=files), by their file names.
QStringList LoadedFiles(const QString& loaderTrace) {
    QStringList files;
    for (const QString& line : loaderTrace.split(u'\n')) {
        const qsizetype at = line.indexOf(QStringLiteral("file="));
        const QString name =
            at < 0 ? QString() : QFileInfo(line.mid(at + 5).section(u' ', 0, 0)).fileName();
        if (!name.isEmpty())
            files.append(name);
    }
    files.removeDuplicates();
    return files;
}

TEST(EditorLibraries, opening_an_escript_loads_no_openssl_a_recording_loads_the_module) {
    SuiteInstallation suite;
    ASSERT_TRUE(suite.IsReady());
    suite.InsertEScript(QStringLiteral("abc"), QStringLiteral("Shop"));
    // "no": not to edit the domain list, should the quit come after the root URL's hand-over.
    QProcessEnvironment env = suite.Environment(QStringLiteral("ok,no"), 300);
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    env.insert(QStringLiteral("XAL_RECORDER_BROWSER"), QStringLiteral("/bin/true"));

    // Start, load, paint, quit: the whole run.
    const EditorResult opened = suite.Run({QStringLiteral("/xalid:abc")}, env);
    ASSERT_EQ(opened.exitCode, 0) << opened.stderrText.toStdString();
    const QStringList openedFiles = LoadedFiles(opened.stderrText);
    ASSERT_TRUE(openedFiles.contains(QStringLiteral("libXalTools.so.3")))
        << opened.stderrText.toStdString();
    EXPECT_FALSE(NamesOpenSsl(openedFiles)) << openedFiles.join(u' ').toStdString();
    EXPECT_FALSE(openedFiles.contains(QStringLiteral("libxalrecorder.so")));
    EXPECT_FALSE(openedFiles.contains(QStringLiteral("libQt6PrintSupport.so.6")));

    // A recording from the start: the module and OpenSSL come with it, and it records.
    const EditorResult recorded =
        suite.Run({QStringLiteral("/mode:recording"), QStringLiteral("/xalid:abc")}, env);
    ASSERT_EQ(recorded.exitCode, 0) << recorded.stderrText.toStdString();
    const QStringList recordedFiles = LoadedFiles(recorded.stderrText);
    EXPECT_TRUE(recordedFiles.contains(QStringLiteral("libxalrecorder.so")))
        << recordedFiles.join(u' ').toStdString();
    EXPECT_TRUE(recordedFiles.contains(QStringLiteral("libssl.so.3")));
    // The recording emptied the main script (or holds the root URL): the quit tells of it.
    ASSERT_FALSE(recorded.messages.isEmpty()) << recorded.stderrText.toStdString();
    EXPECT_TRUE(recorded.messages[0].contains(QStringLiteral("does not contain any URLs")) ||
                recorded.messages[0].startsWith(QStringLiteral("E-script data have been modified")))
        << recorded.messages[0].toStdString();
}

} // namespace
