#include "recentfilelist.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QStringList Entries(const CMyRecentFileList& list) {
    QStringList out;
    for (int i = 0; i < list.GetSize(); ++i)
        out.append(list.GetAt(i));
    return out;
}
} // namespace

TEST(RecentList, newest_first_equal_entry_moves_up_last_falls_off) {
    auto list = MakeEditorRecentList();
    ASSERT_EQ(list->GetSize(), 10);
    for (int i = 1; i <= 11; ++i)
        ASSERT_TRUE(list->Add(QStringLiteral("id%1").arg(i)));
    EXPECT_EQ(list->GetCount(), 10);
    EXPECT_EQ(list->GetAt(0), QStringLiteral("id11"));
    EXPECT_EQ(list->GetAt(9), QStringLiteral("id2")); // id1 fell off

    // Re-adding an entry moves it to the top without losing the last one.
    ASSERT_TRUE(list->Add(QStringLiteral("id5")));
    EXPECT_EQ(list->GetAt(0), QStringLiteral("id5"));
    EXPECT_EQ(list->GetAt(9), QStringLiteral("id2"));
    EXPECT_EQ(Entries(*list).count(QStringLiteral("id5")), 1);

    ASSERT_TRUE(list->Add(QStringLiteral("id2"))); // the last entry itself
    EXPECT_EQ(list->GetAt(0), QStringLiteral("id2"));
    EXPECT_EQ(list->GetCount(), 10);
    EXPECT_EQ(Entries(*list).count(QStringLiteral("id2")), 1);
}

TEST(RecentList, refuses_empty_and_overlong_ids) {
    auto list = MakeEditorRecentList();
    ASSERT_TRUE(list->Add(QStringLiteral("abc")));
    EXPECT_FALSE(list->Add(QString()));
    EXPECT_FALSE(list->Add(QString(260, u'x')));
    EXPECT_TRUE(list->Add(QString(259, u'x')));
    EXPECT_EQ(list->GetCount(), 2);
}

TEST(RecentList, equal_entries_removed_case_sensitively) {
    CMyRecentFileList list(0, QStringLiteral("S"), QStringLiteral("E%d"), 4, 30);
    list.Add(QStringLiteral("abc"));
    list.Add(QStringLiteral("ABC"));
    list.Add(QStringLiteral("x"));
    EXPECT_EQ(list.RemoveEqual(QStringLiteral("abc")), 1);
    EXPECT_EQ(Entries(list),
              (QStringList{QStringLiteral("x"), QStringLiteral("ABC"), QString(), QString()}));
}

TEST(RecentList, display_name_is_cut_to_thirty_characters) {
    auto list = MakeEditorRecentList();
    const QString exact(30, u'a');
    const QString longer = QStringLiteral("an-e-script-id-with-forty-characters-xyz");
    list->Add(exact);
    list->Add(longer);
    EXPECT_EQ(list->GetDisplayName(0).size(), 30);
    EXPECT_TRUE(list->GetDisplayName(0).startsWith(longer.left(27)));
    EXPECT_TRUE(list->GetDisplayName(0).endsWith(QStringLiteral("...")));
    EXPECT_EQ(list->GetDisplayName(1), exact);
    EXPECT_EQ(list->GetMenuText(1), QStringLiteral("&2 ") + exact);
    for (int i = 0; i < 8; ++i)
        list->Add(QStringLiteral("a&b%1").arg(i));
    EXPECT_EQ(list->GetMenuText(9), QStringLiteral("1&0 ") + exact);
    EXPECT_EQ(list->GetMenuText(0), QStringLiteral("&1 a&&b7"));
}

TEST(RecentList, survives_a_round_trip_through_the_settings) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("editor.ini"));
    {
        QSettings settings(file, QSettings::IniFormat);
        auto list = MakeEditorRecentList();
        for (int i = 1; i <= 3; ++i)
            list->Add(QStringLiteral("s%1").arg(i));
        list->WriteList(settings);
        settings.sync();
        EXPECT_EQ(settings.value(QStringLiteral("RecentXALScript/XALScript1")).toString(),
                  QStringLiteral("s3"));
    }
    {
        // Entries that fell off in the meantime must not come back from the file.
        QSettings settings(file, QSettings::IniFormat);
        CMyRecentFileList shorter(0, QStringLiteral("RecentXALScript"),
                                  QStringLiteral("XALScript%d"), 10, 30);
        shorter.ReadList(settings);
        shorter.Remove(2);
        shorter.WriteList(settings);
    }
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(QStringLiteral("RecentXALScript/XALScript5"), QStringLiteral("s3"));
    auto list = MakeEditorRecentList();
    list->ReadList(settings);
    EXPECT_EQ(Entries(*list).mid(0, 3),
              (QStringList{QStringLiteral("s3"), QStringLiteral("s2"), QString()}));
}

TEST(RecentList, writes_the_file_only_when_the_stored_list_differs) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("editor.ini"));
    auto list = MakeEditorRecentList();
    list->Add(QStringLiteral("s1"));
    list->Add(QStringLiteral("s2"));
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_TRUE(list->WriteList(settings));
    }
    {
        // The same list again: nothing to write.
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_FALSE(list->WriteList(settings));
    }
    {
        // A stray entry, or an entry the list no longer holds, makes it write the whole section.
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue(QStringLiteral("RecentXALScript/XALScript7"), QStringLiteral("old"));
        EXPECT_TRUE(list->WriteList(settings));
        EXPECT_FALSE(settings.contains(QStringLiteral("RecentXALScript/XALScript7")));
        EXPECT_FALSE(list->WriteList(settings));
        list->Add(QStringLiteral("s1"));
        EXPECT_TRUE(list->WriteList(settings));
        EXPECT_EQ(settings.value(QStringLiteral("RecentXALScript/XALScript1")).toString(),
                  QStringLiteral("s1"));
        EXPECT_EQ(settings.value(QStringLiteral("RecentXALScript/XALScript2")).toString(),
                  QStringLiteral("s2"));
    }
}
