#pragma once
// Command and context-menu ids the script views act on. The frame's command table uses the
// same numbers; they are repeated here because the views cannot depend on editor/app.

namespace ViewCmd {
inline constexpr int kCreate = 32864;
inline constexpr int kEdit = 32866;
inline constexpr int kDelete = 32867;
inline constexpr int kFlexibleParameter = 32780;
inline constexpr int kResetFlexibleParameter = 32786;
inline constexpr int kFlexibleCondition = 32788;
inline constexpr int kResetFlexibleCondition = 32790;
inline constexpr int kCreateConditionalScript = 32870;
inline constexpr int kDeleteConditionalScript = 32881;
inline constexpr int kBrowser = 32863;
inline constexpr int kUp = 32868;
inline constexpr int kDown = 32869;
inline constexpr int kExpandAll = 32871;
inline constexpr int kCollapseAll = 32872;
inline constexpr int kExcludeDomain = 32776;
} // namespace ViewCmd

namespace ViewMenu {
// Main-script view.
inline constexpr int kFlexibleParameter = 315;
inline constexpr int kResetFlexibleParameter = 344;
inline constexpr int kNoFlexibleEntry = 345;
// Conditional-script view.
inline constexpr int kCondFlexibleCondition = 316;
inline constexpr int kCondFlexibleParameter = 346;
inline constexpr int kCondResetFlexibleCondition = 347;
inline constexpr int kCondResetFlexibleParameter = 348;
inline constexpr int kCondNoFlexibleEntry = 349;
// No row in question: only "Expand all" and "Collapse all".
inline constexpr int kExpandCollapseOnly = 350;
// Tab view: Cut, Copy, Paste.
inline constexpr int kEditClipboard = 119;
} // namespace ViewMenu
