#include "ribbon.h"

#include <QCoreApplication>

#include "commands.h"
#include "xalstrings.h"

namespace {
using namespace XalCmd;

RibbonElement Button(int textId, int command, int smallImage, int largeImage, QString keyTip) {
    RibbonElement e;
    e.textId = textId;
    e.command = command;
    e.smallImage = smallImage;
    e.largeImage = largeImage;
    e.keyTip = std::move(keyTip);
    return e;
}

RibbonElement Separator() {
    RibbonElement e;
    e.kind = RibbonKind::Separator;
    return e;
}

// Key tips given as string table entries come from the table; the rest are fixed letters.
QString Tip(int id) {
    return XalString(id);
}

RibbonElement ListButton(int textId, int command, int largeImage, QString keyTip, int labelTextId,
                         const std::vector<QString>& entries, int firstCommand) {
    RibbonElement e = Button(textId, command, -1, largeImage, std::move(keyTip));
    RibbonElement label;
    label.kind = RibbonKind::Label;
    label.textId = labelTextId;
    e.items.push_back(label);
    int next = firstCommand;
    for (const QString& entry : entries) {
        RibbonElement item;
        item.command = next++;
        item.text = entry;
        e.items.push_back(item);
    }
    return e;
}

RibbonElement SaveSplit() {
    RibbonElement split = Button(109, Save, 2, 2, Tip(38));
    split.kind = RibbonKind::SplitButton;
    split.items.push_back(Button(109, Save, 2, 2, Tip(38)));
    split.items.push_back(Button(101, SaveAndClose, 3, 3, Tip(39)));
    return split;
}

std::vector<RibbonElement> AppMenu(const std::vector<QString>& utilities,
                                   const std::vector<QString>& languages) {
    std::vector<RibbonElement> menu;
    menu.push_back(Button(106, XalTools, 0, 0, QStringLiteral("T")));
    menu.push_back(SaveSplit());
    if (!utilities.empty()) {
        menu.push_back(Separator());
        menu.push_back(ListButton(4, Utilities, 15, Tip(49), 32772, utilities, UtilitiesFirst));
    }
    menu.push_back(Button(5, Diagnostics, 0, 16, QStringLiteral("D")));
    if (!languages.empty()) {
        menu.push_back(Separator());
        RibbonElement language =
            ListButton(6, Language, 17, Tip(50), 32774, languages, LanguageFirst);
        language.smallImage = 0;
        menu.push_back(language);
    }
    RibbonElement recent;
    recent.kind = RibbonKind::RecentList;
    recent.textId = 132;
    recent.command = RecentFirst;
    recent.widthPx = 300;
    menu.push_back(recent);
    return menu;
}

RibbonCategory EditorCategory() {
    RibbonCategory editor;
    editor.textId = 102;

    RibbonPanel xal{103, 0, {Button(106, XalTools, 0, 0, Tip(345))}};

    RibbonElement test = Button(138, Test, 5, 5, Tip(41));
    test.toolTipId = 32880;
    RibbonPanel escript{104, 0, {}};
    escript.elements = {Button(107, NewEScript, 1, 1, Tip(37)),
                        Button(109, Save, 2, 2, Tip(38)),
                        Button(101, SaveAndClose, 3, 3, Tip(39)),
                        Separator(),
                        Button(110, Properties, 4, 4, Tip(344)),
                        Separator(),
                        test};

    RibbonElement conditional = Button(27, ConditionalScript, 9, 9, Tip(350));
    conditional.toolTipId = 44;
    RibbonPanel url{111, 4, {}};
    url.elements = {Button(113, Create, 6, 6, Tip(349)),
                    Button(116, Edit, 7, 7, Tip(346)),
                    Button(112, Delete, 8, 8, Tip(40)),
                    Separator(),
                    conditional,
                    Separator(),
                    Button(146, Up, 10, -1, Tip(348)),
                    Button(147, Down, 11, -1, Tip(351)),
                    Button(117, Browser, 12, -1, Tip(347))};

    RibbonElement start = Button(121, RecordStart, 13, 13, Tip(42));
    start.kind = RibbonKind::SplitButton;
    start.menuId = kRecordingMenu;
    RibbonElement unfiltered;
    unfiltered.command = RecordStartUnfiltered;
    unfiltered.text = QCoreApplication::translate("XALScriptEdit", "Without URL filtering");
    RibbonElement filtered;
    filtered.command = RecordStart;
    filtered.text = QCoreApplication::translate("XALScriptEdit", "With URL filtering");
    start.items = {unfiltered, filtered};
    RibbonPanel recording{118, 4, {start, Button(131, RecordStop, 14, 14, Tip(43))}};

    editor.panels = {xal, escript, url, recording};
    return editor;
}

void CollectCommands(const RibbonElement& e, std::vector<int>& out) {
    if (e.command != 0)
        out.push_back(e.command);
    for (const RibbonElement& item : e.items)
        CollectCommands(item, out);
}
} // namespace

RibbonLayout BuildRibbonLayout(const std::vector<QString>& utilities,
                               const std::vector<QString>& languages) {
    RibbonLayout layout;
    layout.appButtonToolTip = QCoreApplication::translate("XALScriptEdit", "File");
    layout.appButtonKeyTip = QStringLiteral("M");
    layout.appMenu = AppMenu(utilities, languages);
    layout.appMenuBottom = {Button(1, Information, 2, -1, QString()),
                            Button(2, Help, 1, -1, QString()), Button(3, Close, 0, -1, Tip(48))};
    layout.categories = {EditorCategory()};
    layout.tabRowButtons = {Button(0, Information, 2, -1, QStringLiteral("a")),
                            Button(0, Help, 1, -1, QStringLiteral("a"))};
    return layout;
}

QString RibbonDisplayText(const QString& stored) {
    const qsizetype cut = stored.indexOf(u'\n');
    return cut < 0 ? stored : stored.left(cut);
}

QString RibbonText(int textId) {
    return textId == 0 ? QString() : RibbonDisplayText(XalString(textId));
}

QString ElementText(const RibbonElement& element) {
    return element.textId != 0 ? RibbonText(element.textId) : element.text;
}

QString KeyTipSequence(const QString& scopeKeyTip, const QString& keyTip) {
    if (scopeKeyTip.isEmpty() || keyTip.isEmpty())
        return {};
    QString sequence = QStringLiteral("Alt+") + scopeKeyTip.toUpper();
    for (const QChar c : keyTip)
        sequence += QStringLiteral(", ") + c.toUpper();
    return sequence;
}

QString CategoryKeyTip(int textId) {
    const QString text = XalString(textId);
    const qsizetype amp = text.indexOf(u'&');
    if (amp < 0 || amp + 1 >= text.size())
        return {};
    return text.mid(amp + 1, 1).toUpper();
}

int ConditionalScriptTextId(bool deleteLabel) {
    return deleteLabel ? 28 : 27;
}

int ConditionalScriptToolTipId(bool deleteLabel) {
    return deleteLabel ? 45 : 44;
}

std::vector<int> RibbonCommands(const RibbonLayout& layout) {
    std::vector<int> out;
    for (const RibbonElement& e : layout.appMenu)
        CollectCommands(e, out);
    for (const RibbonElement& e : layout.appMenuBottom)
        CollectCommands(e, out);
    for (const RibbonCategory& c : layout.categories)
        for (const RibbonPanel& p : c.panels)
            for (const RibbonElement& e : p.elements)
                CollectCommands(e, out);
    for (const RibbonElement& e : layout.tabRowButtons)
        CollectCommands(e, out);
    return out;
}
