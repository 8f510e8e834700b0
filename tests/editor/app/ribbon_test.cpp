#include "commands.h"
#include "icons.h"
#include "ribbon.h"
#include "xalstrings.h"

#include <QImage>
#include <QPixmap>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace {
const RibbonElement* FindIn(const std::vector<RibbonElement>& elements, int command) {
    for (const RibbonElement& e : elements)
        if (e.command == command)
            return &e;
    return nullptr;
}
} // namespace

TEST(RibbonLayout, editor_category_panels_and_buttons) {
    const RibbonLayout layout = BuildRibbonLayout({}, {});
    ASSERT_EQ(layout.categories.size(), 1u);
    const RibbonCategory& editor = layout.categories[0];
    EXPECT_EQ(RibbonText(editor.textId), QStringLiteral("&Editor"));
    EXPECT_EQ(CategoryKeyTip(editor.textId), QStringLiteral("E"));
    ASSERT_EQ(editor.panels.size(), 4u);
    QStringList panelTexts;
    for (const RibbonPanel& p : editor.panels)
        panelTexts.append(RibbonText(p.textId));
    EXPECT_EQ(panelTexts, (QStringList{QStringLiteral("XAL"), QStringLiteral("E-Script"),
                                       QStringLiteral("URL"), QStringLiteral("Recording")}));

    struct Expect {
        int command;
        const char* text;
        const char* keyTip;
        int small;
        int large;
    };
    const Expect expected[] = {
        {XalCmd::XalTools, "XAL Tools", "T", 0, 0},
        {XalCmd::NewEScript, "New", "N", 1, 1},
        {XalCmd::Save, "Save", "S", 2, 2},
        {XalCmd::SaveAndClose, "Save and close", "CS", 3, 3},
        {XalCmd::Properties, "Properties", "P", 4, 4},
        {XalCmd::Test, "Test", "G", 5, 5},
        {XalCmd::Create, "Create", "R", 6, 6},
        {XalCmd::Edit, "Edit", "E", 7, 7},
        {XalCmd::Delete, "Delete", "D", 8, 8},
        {XalCmd::ConditionalScript, "Create conditional script", "I", 9, 9},
        {XalCmd::Up, "Up", "U", 10, -1},
        {XalCmd::Down, "Down", "W", 11, -1},
        {XalCmd::Browser, "Browser", "B", 12, -1},
        {XalCmd::Undo, "Undo", "Z", 18, -1},
        {XalCmd::Redo, "Redo", "Y", 19, -1},
        {XalCmd::RecordStart, "Start", "A", 13, 13},
        {XalCmd::RecordStop, "Exit", "L", 14, 14},
    };
    std::vector<const RibbonElement*> buttons;
    for (const RibbonPanel& p : editor.panels)
        for (const RibbonElement& e : p.elements)
            if (e.kind != RibbonKind::Separator)
                buttons.push_back(&e);
    ASSERT_EQ(buttons.size(), std::size(expected));
    QStringList keyTips;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const RibbonElement& e = *buttons[i];
        EXPECT_EQ(e.command, expected[i].command) << i;
        EXPECT_EQ(ElementText(e), QString::fromUtf8(expected[i].text)) << i;
        EXPECT_EQ(e.keyTip, QString::fromUtf8(expected[i].keyTip)) << i;
        EXPECT_EQ(e.smallImage, expected[i].small) << i;
        EXPECT_EQ(e.largeImage, expected[i].large) << i;
        keyTips.append(e.keyTip);
    }
    // Key tips inside one category must be told apart.
    keyTips.removeDuplicates();
    EXPECT_EQ(keyTips.size(), static_cast<qsizetype>(buttons.size()));
}

TEST(RibbonLayout, recording_split_and_conditional_script_button) {
    const RibbonLayout layout = BuildRibbonLayout({}, {});
    const RibbonPanel& recording = layout.categories[0].panels[3];
    const RibbonElement& start = recording.elements[0];
    EXPECT_EQ(start.kind, RibbonKind::SplitButton);
    EXPECT_EQ(start.menuId, 343);
    ASSERT_EQ(start.items.size(), 2u);
    EXPECT_EQ(start.items[0].command, XalCmd::RecordStartUnfiltered);
    EXPECT_EQ(ElementText(start.items[0]), QStringLiteral("Without URL filtering"));
    EXPECT_EQ(start.items[1].command, XalCmd::RecordStart);

    const RibbonPath p = kConditionalScriptButton;
    const RibbonElement& conditional =
        layout.categories[p.category].panels[p.panel].elements[p.element];
    EXPECT_EQ(conditional.command, XalCmd::ConditionalScript);
    EXPECT_EQ(conditional.toolTipId, 44);
    EXPECT_EQ(RibbonText(ConditionalScriptTextId(true)),
              QStringLiteral("Delete conditional script"));
    EXPECT_EQ(ConditionalScriptToolTipId(true), 45);
    EXPECT_EQ(ConditionalScriptTextId(false), conditional.textId);

    const RibbonElement& test = layout.categories[0].panels[1].elements[6];
    EXPECT_EQ(test.command, XalCmd::Test);
    EXPECT_EQ(test.toolTipId, 32880);
}

TEST(RibbonLayout, application_menu_hides_empty_lists_with_their_separators) {
    const RibbonLayout bare = BuildRibbonLayout({}, {});
    EXPECT_EQ(FindIn(bare.appMenu, XalCmd::Utilities), nullptr);
    EXPECT_EQ(FindIn(bare.appMenu, XalCmd::Language), nullptr);
    EXPECT_TRUE(std::none_of(bare.appMenu.begin(), bare.appMenu.end(),
                             [](const auto& e) { return e.kind == RibbonKind::Separator; }));

    const RibbonLayout full = BuildRibbonLayout(
        {QStringLiteral("Settings"), QStringLiteral("Import")}, {QStringLiteral("Deutsch")});
    EXPECT_EQ(full.appMenu.size(), bare.appMenu.size() + 4);
    const RibbonElement* utilities = FindIn(full.appMenu, XalCmd::Utilities);
    ASSERT_NE(utilities, nullptr);
    ASSERT_EQ(utilities->items.size(), 3u); // label and two entries
    EXPECT_EQ(utilities->items[0].kind, RibbonKind::Label);
    EXPECT_EQ(utilities->items[1].command, XalCmd::UtilitiesFirst);
    EXPECT_EQ(utilities->items[2].command, XalCmd::UtilitiesFirst + 1);
    EXPECT_EQ(utilities->keyTip, QStringLiteral("U"));
    const RibbonElement* language = FindIn(full.appMenu, XalCmd::Language);
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->items[1].command, XalCmd::LanguageFirst);
    EXPECT_EQ(ElementText(language->items[1]), QStringLiteral("Deutsch"));
}

TEST(RibbonLayout, application_menu_entries_and_bottom_buttons) {
    const RibbonLayout layout = BuildRibbonLayout({}, {});
    EXPECT_EQ(layout.appButtonKeyTip, QStringLiteral("M"));
    EXPECT_EQ(layout.appButtonToolTip, QStringLiteral("File"));
    const RibbonElement* save = FindIn(layout.appMenu, XalCmd::Save);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->kind, RibbonKind::SplitButton);
    ASSERT_EQ(save->items.size(), 2u);
    EXPECT_EQ(save->items[1].command, XalCmd::SaveAndClose);
    EXPECT_EQ(save->items[1].keyTip, QStringLiteral("CS"));
    EXPECT_EQ(layout.appMenu.back().kind, RibbonKind::RecentList);
    EXPECT_EQ(RibbonText(layout.appMenu.back().textId),
              QStringLiteral("Recently opened e-scripts"));

    ASSERT_EQ(layout.appMenuBottom.size(), 3u);
    EXPECT_EQ(ElementText(layout.appMenuBottom[0]), QStringLiteral("&Information"));
    EXPECT_EQ(layout.appMenuBottom[1].command, XalCmd::Help);
    EXPECT_EQ(layout.appMenuBottom[2].command, XalCmd::Close);
    EXPECT_EQ(layout.appMenuBottom[2].keyTip, QStringLiteral("X"));
    ASSERT_EQ(layout.tabRowButtons.size(), 2u);
    EXPECT_EQ(layout.tabRowButtons[0].command, XalCmd::Information);
    EXPECT_EQ(layout.tabRowButtons[1].command, XalCmd::Help);
}

TEST(RibbonLayout, texts_drop_the_stored_key_tip_and_sequences_join_scopes) {
    EXPECT_EQ(RibbonDisplayText(QStringLiteral("Delete\nl")), QStringLiteral("Delete"));
    EXPECT_EQ(RibbonDisplayText(QStringLiteral("Edit")), QStringLiteral("Edit"));
    EXPECT_EQ(KeyTipSequence(QStringLiteral("E"), QStringLiteral("CS")),
              QStringLiteral("Alt+E, C, S"));
    EXPECT_EQ(KeyTipSequence(QStringLiteral("m"), QStringLiteral("t")), QStringLiteral("Alt+M, T"));
    EXPECT_TRUE(KeyTipSequence(QString(), QStringLiteral("T")).isEmpty());
    EXPECT_TRUE(KeyTipSequence(QStringLiteral("E"), QString()).isEmpty());
}

// Every image of a list draws something of its own at the sizes the window shows; images that
// differ only in their letters ("?" and "i", "X" of the tools) must still differ.
TEST(RibbonIcons, every_image_draws_something_of_its_own) {
    for (const XalImageList list :
         {XalImageList::Panel, XalImageList::Ribbon, XalImageList::AppButton}) {
        for (const int size : {16, 32}) {
            std::vector<QImage> images;
            for (int i = 0; i < XalImageCount(list); ++i) {
                const QImage image = XalRibbonIcon(list, i)
                                         .pixmap(size, size)
                                         .toImage()
                                         .convertToFormat(QImage::Format_ARGB32);
                ASSERT_EQ(image.size(), QSize(size, size)) << i;
                int opaque = 0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
                EXPECT_GT(opaque, size * size / 20) << "image " << i << " at " << size;
                for (std::size_t k = 0; k < images.size(); ++k)
                    EXPECT_NE(image, images[k]) << "images " << k << " and " << i << " at " << size;
                images.push_back(image);
            }
        }
    }
    EXPECT_TRUE(XalRibbonIcon(XalImageList::Ribbon, -1).isNull());
}
