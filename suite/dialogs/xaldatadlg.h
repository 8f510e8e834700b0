#pragma once
// The suite's data dialogs as the editor uses them: e-script properties, new e-script and
// the information dialog. Each works on the database session it is given, or opens one of
// its own from the suite's connection settings when it is given none.

#include <QString>
#include <QStringList>

#include <memory>

class CMongoDB;
class QWidget;

// Opens a session from the suite's connection settings; null with a message on failure.
std::unique_ptr<CMongoDB> OpenSuiteSession(QString& error);

// Properties of the e-script whose ID is array[0]; changes go straight into its document.
// Returns 1 when changes were stored, 0 when the user cancelled or nothing could be loaded
// (the user has been told why).
int XALDlgEScriptProps(const QStringList& array, int mode, CMongoDB* database = nullptr,
                       QWidget* parent = nullptr);

// New e-script. Returns 0 when cancelled; otherwise the e-script was created and the code
// says what to open: 1 nothing, 2 open with the properties, 3 open, 4 open and record.
// array receives title, root URL and ID.
int XALDlgEScriptNew(QStringList& array, CMongoDB* database = nullptr, QWidget* parent = nullptr);

struct CInformationData {
    QString programName;
    QString version;
    QString databaseServer;
    QString build;
};

// The program's own data; the database server as the caller's session names it.
CInformationData ProgramInformation(const QString& databaseServer);
// The lines the information dialog shows.
QStringList InformationLines(const CInformationData& info);
void XALDlgInformation(const CInformationData& info, QWidget* parent = nullptr);
