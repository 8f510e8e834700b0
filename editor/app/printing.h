#pragma once
// Printing of the editor's window content: the active script tab as it shows on screen, scaled
// to the printable area of one page. Printing and its dialogs live in the module
// libxalprint.so, which the window opens when the user first prints: a run that never prints
// never loads the print support library (its loading cost every start about a millisecond).

#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

inline constexpr char kPrintModuleName[] = "libxalprint.so";
inline constexpr char kPrintModuleFactory[] = "XalCreatePrinting";

// Chooses the printer instead of the print dialog (scripted runs and tests); false cancels.
using ChoosePrinter = std::function<bool(QPrinter&)>;

// What a print came to, for the user's message.
struct PrintOutcome {
    bool printed = false;
    bool cancelled = false; // the user closed the print dialog
    QString printerName;    // the printer that failed, when no file was printed to
    QString outputFile;     // the file that could not be written
};

// One printer, kept between prints so that the page setup applies to later prints.
class IPrinting {
public:
    virtual ~IPrinting() = default;
    // Prints target after the print dialog (or choose, when given) when withDialog is set.
    virtual PrintOutcome Print(QWidget& target, QWidget* parent, bool withDialog,
                               const ChoosePrinter& choose) = 0;
    virtual void Preview(QWidget& target, QWidget* parent) = 0;
    virtual void PageSetup(QWidget* parent) = 0;
};

// Opens the module (a file name searched like a library's, or a path; once per process) and
// makes a printer; null with error "<module> could not be loaded: <reason>" when it cannot.
std::unique_ptr<IPrinting> OpenPrinting(QString& error, const char* module = kPrintModuleName);
