#pragma once
// The suite's data dialogs as the editor uses them: e-script properties, new e-script and
// the information dialog. Each works on the database session it is given, or opens one of
// its own from the suite's connection settings when it is given none; the dialogs are shown
// through an IDataDialogs and every message goes through an IMessageSink.

#include "datadialogs.h"

#include <QString>
#include <QStringList>

#include <memory>

class CMongoDB;
class IMessageSink;
class QWidget;

// The Qt forms of the data dialogs, each modal over the parent given here or, without one,
// over the active window.
class CQtDataDialogs final : public IDataDialogs {
public:
    explicit CQtDataDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    bool EScriptProps(CEScriptPropsData& data, const EScriptPropsAccept& accept) override;
    bool EScriptNew(CEScriptNewData& data, const EScriptNewAccept& accept) override;
    void Information(const CInformationData& info) override;

private:
    [[nodiscard]] QWidget* Parent() const;

    QWidget* m_parent; // Not owned.
};

// Opens a session from the suite's connection settings; null with a message on failure.
std::unique_ptr<CMongoDB> OpenSuiteSession(QString& error);

// Properties of the e-script whose ID is array[0]; changes go straight into its document.
// Returns 1 when changes were stored, 0 when the user cancelled or nothing could be loaded
// (the user has been told why).
int XALDlgEScriptProps(const QStringList& array, int mode, CMongoDB* database,
                       IDataDialogs& dialogs, IMessageSink& messages);

// New e-script. Returns 0 when cancelled; otherwise the e-script was created and the code
// says what to open: 1 nothing, 2 open with the properties, 3 open, 4 open and record.
// array receives title, root URL and ID.
int XALDlgEScriptNew(QStringList& array, CMongoDB* database, IDataDialogs& dialogs,
                     IMessageSink& messages);

// The program's own data; the database server as the caller's session names it.
CInformationData ProgramInformation(const QString& databaseServer);
// The lines the information dialog shows.
QStringList InformationLines(const CInformationData& info);
void XALDlgInformation(const CInformationData& info, IDataDialogs& dialogs);
