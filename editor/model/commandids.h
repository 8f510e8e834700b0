#pragma once
// Command and context-menu numbers of the editor: the frame's command table and the script
// views both use these, so a number is defined once and both sides agree by construction.

namespace XalCmd {
// Application menu and shell.
inline constexpr int XalTools = 32879;
inline constexpr int Save = 32861;
inline constexpr int SaveAndClose = 32771;
inline constexpr int Utilities = 338;
inline constexpr int Diagnostics = 32773;
inline constexpr int Language = 337;
inline constexpr int Information = 57664;
inline constexpr int Help = 57670;
inline constexpr int Close = 57665;
inline constexpr int NewEScript = 32852;
inline constexpr int DeleteEScript = 32853;
inline constexpr int LoadEScript = 32854;
inline constexpr int Properties = 32855;
inline constexpr int DataEditor = 32862;
inline constexpr int Test = 32880;
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int PrintSetup = 57606;
inline constexpr int Print = 57607;
inline constexpr int PrintDirect = 57608;
inline constexpr int PrintPreview = 57609;
inline constexpr int RecentFirst = 57616;
inline constexpr int RecentLast = 57631;
inline constexpr int UtilitiesFirst = 322;
inline constexpr int UtilitiesLast = 331;
inline constexpr int LanguageFirst = 332;
inline constexpr int LanguageLast = 336;

// Recording.
inline constexpr int RecordStart = 32850; // with URL filtering
inline constexpr int RecordStartUnfiltered = 32792;
inline constexpr int RecordStop = 32812;

// Script views.
inline constexpr int Browser = 32863;
inline constexpr int Create = 32864;
inline constexpr int Edit = 32866;
inline constexpr int Delete = 32867;
inline constexpr int Up = 32868;
inline constexpr int Down = 32869;
inline constexpr int ConditionalScript = 32870;
inline constexpr int ExpandAll = 32871;
inline constexpr int CollapseAll = 32872;
inline constexpr int DeleteConditionalScript = 32881;
inline constexpr int ExcludeDomain = 32776;
inline constexpr int FlexibleParameter = 32780;
inline constexpr int ResetFlexibleParameter = 32786;
inline constexpr int FlexibleCondition = 32788;
inline constexpr int ResetFlexibleCondition = 32790;

// Editing and panes (routed to the focused widget).
inline constexpr int EnterKey = 32797;
inline constexpr int Copy = 57634;
inline constexpr int Cut = 57635;
inline constexpr int Paste = 57637;
inline constexpr int Undo = 57643;
inline constexpr int Redo = 57644;
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
} // namespace XalCmd

// Context menus the views ask the frame to show.
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

// The recording split button's menu.
inline constexpr int kRecordingMenu = 343;
