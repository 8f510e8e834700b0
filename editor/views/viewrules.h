#pragma once
// The context-menu choice and the command enabling of the script views as pure functions.

#include "mytreegridctrl.h"

// The menu for the row in question (-1: none) of a main (bConditional false) or conditional
// script grid.
[[nodiscard]] int ContextMenuForRow(const CMyTreeGridCtrl& grid, int nRow, bool bConditional);

struct CCommandState {
    bool bLoaded = false;
    bool bRecording = false;
    bool bConditional = false;
    bool bCanMoveUp = false;
    bool bCanMoveDown = false;
};

// Whether a view command is enabled for the grid's selection.
[[nodiscard]] bool IsViewCommandEnabled(const CMyTreeGridCtrl& grid, const CCommandState& state,
                                        int nCommand);
