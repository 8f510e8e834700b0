#include "commands.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace {
using namespace XalCmd;

constexpr QKeyCombination Ctrl(Qt::Key key) {
    return QKeyCombination(Qt::ControlModifier, key);
}

// The English text; menus translate it when they are shown.
ContextMenuItem Item(int command, const char* text) {
    return ContextMenuItem{command, QString::fromUtf8(text)};
}
ContextMenuItem Separator() {
    return ContextMenuItem{};
}

// The menus of both view kinds: the item at slot flexible (a flexible command or none) and the
// conditional-script item are what tells them apart.
std::vector<ContextMenuItem> MenuItems(std::optional<ContextMenuItem> flexible,
                                       ContextMenuItem conditional) {
    std::vector<ContextMenuItem> items{Item(Create, QT_TRANSLATE_NOOP("XALScriptEdit", "Create")),
                                       Item(Edit, QT_TRANSLATE_NOOP("XALScriptEdit", "Edit")),
                                       Item(Delete, QT_TRANSLATE_NOOP("XALScriptEdit", "Delete"))};
    if (flexible)
        items.push_back(*flexible);
    items.push_back(Separator());
    items.push_back(std::move(conditional));
    items.push_back(Separator());
    items.push_back(Item(Browser, QT_TRANSLATE_NOOP("XALScriptEdit", "Browser")));
    items.push_back(Separator());
    items.push_back(Item(Up, QT_TRANSLATE_NOOP("XALScriptEdit", "Up")));
    items.push_back(Item(Down, QT_TRANSLATE_NOOP("XALScriptEdit", "Down")));
    items.push_back(Separator());
    items.push_back(Item(ExpandAll, QT_TRANSLATE_NOOP("XALScriptEdit", "Expand all")));
    items.push_back(Item(CollapseAll, QT_TRANSLATE_NOOP("XALScriptEdit", "Collapse all")));
    items.push_back(Separator());
    items.push_back(
        Item(ExcludeDomain, QT_TRANSLATE_NOOP("XALScriptEdit", "Exclude domain from recording")));
    return items;
}

std::vector<ContextMenuDef> BuildRegistry() {
    const auto flexParam =
        Item(FlexibleParameter, QT_TRANSLATE_NOOP("XALScriptEdit", "Flexible parameter"));
    const auto resetParam = Item(ResetFlexibleParameter,
                                 QT_TRANSLATE_NOOP("XALScriptEdit", "Reset flexible parameter"));
    const auto flexCond =
        Item(FlexibleCondition, QT_TRANSLATE_NOOP("XALScriptEdit", "Flexible condition"));
    const auto resetCond = Item(ResetFlexibleCondition,
                                QT_TRANSLATE_NOOP("XALScriptEdit", "Reset flexible condition"));
    const auto createCond =
        Item(ConditionalScript, QT_TRANSLATE_NOOP("XALScriptEdit", "Create conditional script"));
    const auto deleteCond = Item(DeleteConditionalScript,
                                 QT_TRANSLATE_NOOP("XALScriptEdit", "Delete conditional script"));
    return {
        {QStringLiteral("Script menu"), ViewMenu::kFlexibleParameter,
         MenuItems(flexParam, createCond)},
        {QStringLiteral("Script menu flex"), ViewMenu::kResetFlexibleParameter,
         MenuItems(resetParam, createCond)},
        {QStringLiteral("Script menu user"), ViewMenu::kNoFlexibleEntry,
         MenuItems(std::nullopt, createCond)},
        {QStringLiteral("Subscript menu"), ViewMenu::kCondFlexibleCondition,
         MenuItems(flexCond, deleteCond)},
        {QStringLiteral("Subscript flex menu"), ViewMenu::kCondResetFlexibleCondition,
         MenuItems(resetCond, deleteCond)},
        {QStringLiteral("Subscript not cond menu"), ViewMenu::kCondFlexibleParameter,
         MenuItems(flexParam, deleteCond)},
        {QStringLiteral("Subscript flex param menu"), ViewMenu::kCondResetFlexibleParameter,
         MenuItems(resetParam, deleteCond)},
        {QStringLiteral("Subscript user menu"), ViewMenu::kCondNoFlexibleEntry,
         MenuItems(std::nullopt, deleteCond)},
        {QStringLiteral("Subscript user menu short"),
         ViewMenu::kExpandCollapseOnly,
         {Item(ExpandAll, QT_TRANSLATE_NOOP("XALScriptEdit", "Expand all")),
          Item(CollapseAll, QT_TRANSLATE_NOOP("XALScriptEdit", "Collapse all"))}},
        // The tab view's own menu.
        {QStringLiteral("Edit menu"),
         ViewMenu::kEditClipboard,
         {Item(Cut, QT_TRANSLATE_NOOP("XALScriptEdit", "Cut")),
          Item(Copy, QT_TRANSLATE_NOOP("XALScriptEdit", "Copy")),
          Item(Paste, QT_TRANSLATE_NOOP("XALScriptEdit", "Paste"))}},
    };
}
} // namespace

const std::vector<Accelerator>& AcceleratorTable() {
    static const std::vector<Accelerator> table{
        {QKeyCombination(Qt::Key_Return), EnterKey},
        {Ctrl(Qt::Key_C), Copy},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete), Cut},
        {Ctrl(Qt::Key_X), Cut},
        {Ctrl(Qt::Key_V), Paste},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert), Paste},
        {QKeyCombination(Qt::AltModifier, Qt::Key_Backspace), Undo},
        {Ctrl(Qt::Key_Z), Undo},
        // Redo has no entry in the stored table; these are the usual keys.
        {Ctrl(Qt::Key_Y), Redo},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z), Redo},
        {Ctrl(Qt::Key_O), FileOpen},
        {Ctrl(Qt::Key_P), Print},
        {Ctrl(Qt::Key_T), XalTools},
        {Ctrl(Qt::Key_N), NewEScript},
        {Ctrl(Qt::Key_P), Properties},
        {Ctrl(Qt::Key_S), Save},
        {Ctrl(Qt::Key_G), Test},
        {QKeyCombination(Qt::Key_F6), NextPane},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_F6), PrevPane},
        {Ctrl(Qt::Key_D), Delete},
        {Ctrl(Qt::Key_B), Browser},
        {Ctrl(Qt::Key_W), Down},
        {Ctrl(Qt::Key_U), Up},
        {Ctrl(Qt::Key_I), ConditionalScript},
        {Ctrl(Qt::Key_R), Create},
        {Ctrl(Qt::Key_A), RecordStart},
        {Ctrl(Qt::Key_L), RecordStop},
        {Ctrl(Qt::Key_E), Edit},
        {QKeyCombination(Qt::Key_Insert), NewEScript},
    };
    return table;
}

std::vector<Accelerator> EffectiveAccelerators() {
    std::vector<Accelerator> out;
    for (const Accelerator& a : AcceleratorTable()) {
        const bool seen = std::any_of(out.begin(), out.end(),
                                      [&](const Accelerator& b) { return b.key == a.key; });
        if (!seen)
            out.push_back(a);
    }
    return out;
}

std::optional<int> CommandForKey(QKeyCombination key) {
    for (const Accelerator& a : AcceleratorTable())
        if (a.key == key)
            return a.command;
    return std::nullopt;
}

const std::vector<ContextMenuDef>& ContextMenuRegistry() {
    static const std::vector<ContextMenuDef> registry = BuildRegistry();
    return registry;
}

const ContextMenuDef* FindContextMenu(const QString& name) {
    for (const ContextMenuDef& def : ContextMenuRegistry())
        if (def.name == name)
            return &def;
    return nullptr;
}

const ContextMenuDef* FindContextMenu(int menuId) {
    for (const ContextMenuDef& def : ContextMenuRegistry())
        if (def.menuId == menuId)
            return &def;
    return nullptr;
}

std::optional<bool> ShellCommandEnabled(int id, const ShellState& state) {
    switch (id) {
    case Save:
    case SaveAndClose:
        return state.modified && state.mainScriptRows > 0 && !state.RecordingRuns() &&
               state.notSavable.isEmpty();
    case Properties:
    case NewEScript:
        return !state.RecordingRuns();
    case Utilities:
    case Language:
    case XalTools:
    case Diagnostics:
    case Information:
    case Help:
    case Close:
    case DeleteEScript:
    case LoadEScript:
    case DataEditor:
        return true;
    default:
        break;
    }
    if (id >= RecentFirst && id <= RecentLast)
        return true;
    return std::nullopt;
}

void CCommandRouter::SetHandler(int command, Handler handler, Enabler enabler) {
    SetRangeHandler(command, command, std::move(handler), std::move(enabler));
}

void CCommandRouter::SetRangeHandler(int first, int last, Handler handler, Enabler enabler) {
    if (last < first || !handler)
        return;
    // A new range replaces every entry it overlaps.
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->first <= last && it->second.last >= first)
            it = m_entries.erase(it);
        else
            ++it;
    }
    m_entries[first] = Entry{last, std::move(handler), std::move(enabler)};
}

void CCommandRouter::RemoveHandler(int command) {
    auto it = m_entries.find(command);
    if (it != m_entries.end())
        m_entries.erase(it);
}

const CCommandRouter::Entry* CCommandRouter::Find(int command) const {
    auto it = m_entries.upper_bound(command);
    if (it == m_entries.begin())
        return nullptr;
    --it;
    return command <= it->second.last ? &it->second : nullptr;
}

bool CCommandRouter::HasHandler(int command) const {
    return Find(command) != nullptr;
}

bool CCommandRouter::IsEnabled(int command) const {
    const Entry* entry = Find(command);
    if (!entry)
        return false;
    return !entry->enabler || entry->enabler(command);
}

bool CCommandRouter::Execute(int command) const {
    const Entry* entry = Find(command);
    if (!entry || (entry->enabler && !entry->enabler(command)))
        return false;
    // Copy first: a handler may replace its own registration.
    const Handler handler = entry->handler;
    handler(command);
    return true;
}
