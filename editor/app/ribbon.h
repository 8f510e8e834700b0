#pragma once
// The ribbon as data: the application menu, the "&Editor" category with its panels and
// buttons, and the buttons on the tab row. The frame builds widgets from this table; tests
// check texts, commands, images and key tips without a screen.

#include <QString>

#include <vector>

enum class RibbonKind { Button, SplitButton, Separator, RecentList, Label };

struct RibbonElement {
    RibbonKind kind = RibbonKind::Button;
    int textId = 0;  // string table number; 0 for none
    QString text;    // literal text, for entries that have no string table number
    int command = 0; // 0 for none
    int smallImage = -1;
    int largeImage = -1;
    QString keyTip;    // replaces the key tip stored after the line break of the text
    int toolTipId = 0; // string table number of the tool tip ("description\ntitle")
    int menuId = 0;    // popup menu of a split button, when it has one
    int widthPx = 0;   // recent list only
    std::vector<RibbonElement> items; // items of a split button or of a list button
};

struct RibbonPanel {
    int textId = 0;
    int image = 0;
    std::vector<RibbonElement> elements;
};

struct RibbonCategory {
    int textId = 0;
    std::vector<RibbonPanel> panels;
};

struct RibbonLayout {
    QString appButtonToolTip;
    QString appButtonKeyTip;
    std::vector<RibbonElement> appMenu;       // main part of the application menu
    std::vector<RibbonElement> appMenuBottom; // buttons along its bottom edge
    std::vector<RibbonCategory> categories;
    std::vector<RibbonElement> tabRowButtons;
};

// Builds the ribbon. The utilities and language entries are the frame base's lists; a list
// that is empty leaves its button (and the separator before it) out.
RibbonLayout BuildRibbonLayout(const std::vector<QString>& utilities,
                               const std::vector<QString>& languages);

// The text a stored entry shows: the part before the line break (that part after it was the
// key tip of the original library).
QString RibbonDisplayText(const QString& stored);
// Text shown for an element or panel: the string table entry without its key-tip part.
QString RibbonText(int textId);

// Text shown for an element: its string table entry, else its literal text.
QString ElementText(const RibbonElement& element);

// Key sequence text of an element's key tip inside its category or menu, e.g. "Alt+E, C, S".
// Empty when the element or its scope has no key tip.
QString KeyTipSequence(const QString& scopeKeyTip, const QString& keyTip);
// Key tip of a category: the letter after "&" in its text, e.g. "E" for "&Editor".
QString CategoryKeyTip(int textId);

// Where an element sits, for SetConditionalScriptButton and tests.
struct RibbonPath {
    int category = 0;
    int panel = 0;
    int element = 0;
};
constexpr RibbonPath kConditionalScriptButton{0, 2, 4};

// Texts of the conditional-script button for the two states (create, delete).
int ConditionalScriptTextId(bool deleteLabel);
int ConditionalScriptToolTipId(bool deleteLabel);

// Every command that some element of the layout (including split items) runs, in layout
// order.
std::vector<int> RibbonCommands(const RibbonLayout& layout);
