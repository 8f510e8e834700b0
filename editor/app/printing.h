#pragma once
// Printing of the editor's window content: the active script tab as it shows on screen,
// scaled to the printable area of one page.

class QPrinter;
class QWidget;

// Paints widget onto printer, keeping its proportions; false when the printer cannot be
// started (no device, file not writable) or there is nothing to print.
bool PrintWidget(QWidget& widget, QPrinter& printer);
