// Every text the editor shows has a finished German text in translations/XALScriptEdit_de.ts,
// and the compiled language file is the one the editor loads.

#include "xalstrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>

namespace {
struct Message {
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
};

// Messages of context "XALScriptEdit" of a .ts file, by source text.
std::map<QString, Message> ReadTs(const QString& path, QString* error = nullptr) {
    std::map<QString, Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation" && context == u"XALScriptEdit") {
            Message m;
            m.type = xml.attributes().value(QStringLiteral("type")).toString();
            m.translation = xml.readElementText();
            messages[source] = m;
        }
    }
    if (xml.hasError() && error)
        *error = xml.errorString();
    return messages;
}

QStringList Placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%(s|\\d)"));
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    return found;
}

class TranslationTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        m_de = ReadTs(QStringLiteral(XAL_TS_DE), &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_FALSE(m_de.empty());
    }
    std::map<QString, Message> m_de;
};

TEST_F(TranslationTest, every_text_of_the_string_table_has_a_german_text) {
    QStringList missing;
    for (const auto& [id, english] : XalStringTable()) {
        if (english.isEmpty())
            continue; // never shown, nothing to translate
        const auto it = m_de.find(english);
        if (it == m_de.end() || it->second.translation.isEmpty())
            missing.append(QString::number(id) + u' ' + english);
    }
    EXPECT_TRUE(missing.isEmpty()) << "no German text for:\n" << missing.join(u'\n').toStdString();
}

TEST_F(TranslationTest, no_german_text_is_unfinished_empty_or_changes_the_placeholders) {
    for (const auto& [source, message] : m_de) {
        EXPECT_TRUE(message.type.isEmpty())
            << source.toStdString() << " is " << message.type.toStdString();
        EXPECT_FALSE(message.translation.isEmpty()) << source.toStdString();
        EXPECT_EQ(Placeholders(message.translation), Placeholders(source)) << source.toStdString();
        EXPECT_EQ(message.translation.count(u'&'), source.count(u'&')) << source.toStdString();
    }
}

#ifdef XAL_LUPDATE
// Texts marked in the sources (translate and QT_TRANSLATE_NOOP with "XALScriptEdit").
TEST_F(TranslationTest, every_text_marked_in_the_sources_has_a_german_text) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString found = dir.filePath(QStringLiteral("found.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(XAL_SOURCE_DIR));
    lupdate.start(QStringLiteral(XAL_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("common"), QStringLiteral("editor"), QStringLiteral("suite"),
                   QStringLiteral("tools"), QStringLiteral("-ts"), found});
    ASSERT_TRUE(lupdate.waitForFinished(90000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    std::map<QString, Message> marked = ReadTs(found);
    EXPECT_GT(marked.size(), 20u);
    // The dialogs' DialogText("...") translates in the same context; lupdate does not know it.
    const QRegularExpression call(
        QStringLiteral(R"re(DialogText\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\))re"));
    const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QDirIterator files(QStringLiteral(XAL_SOURCE_DIR "/editor"), {QStringLiteral("*.cpp")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString code = QString::fromUtf8(file.readAll());
        for (auto c = call.globalMatch(code); c.hasNext();) {
            QString text;
            for (auto l = literal.globalMatch(c.next().captured(1)); l.hasNext();)
                text += l.next().captured(1);
            text.replace(QStringLiteral("\\n"), QStringLiteral("\n"))
                .replace(QStringLiteral("\\\""), QStringLiteral("\""));
            marked[text] = Message{};
        }
    }
    QStringList missing;
    for (const auto& entry : marked)
        if (!m_de.contains(entry.first))
            missing.append(entry.first);
    EXPECT_TRUE(missing.isEmpty()) << "no German text for:\n" << missing.join(u'\n').toStdString();
}
#endif

TEST_F(TranslationTest, compiled_language_file_translates_the_table_and_keeps_formats_working) {
    int argc = 1;
    char name[] = "test_translations";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    QTranslator translator;
    ASSERT_TRUE(translator.load(QStringLiteral(XAL_QM_DE)));
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    EXPECT_EQ(XalString(137),
              QStringLiteral("Falscher Parameter. Das Programm kann nicht gestartet werden."));
    EXPECT_EQ(XalFormat(61191, QStringLiteral("abc")),
              QStringLiteral("Kein E-Script mit der XAL-ID 'abc' gefunden."));
    // Every non-empty table text comes out translated (key tips and names may stay the same).
    for (const auto& [id, english] : XalStringTable()) {
        if (!english.isEmpty()) {
            EXPECT_EQ(XalString(id), m_de.at(english).translation) << id;
        }
    }
    QCoreApplication::removeTranslator(&translator);
}
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
