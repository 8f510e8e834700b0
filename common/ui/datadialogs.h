#pragma once
// Every data dialog the editor shows goes through IDataDialogs, as every message goes through
// IMessageSink: the program shows Qt forms, tests fill the dialogs by script. A dialog edits
// its data object; its OK hands the data to an accept function that checks and stores them
// and, when that fails, has told the user why and names the field to correct, so the dialog
// stays open.

#include <QString>

#include <deque>
#include <functional>
#include <vector>

class CEScriptPropsData;
class CEScriptNewData;

// What the information dialog shows.
struct CInformationData {
    QString programName;
    QString version;
    QString databaseServer;
    QString build;
};

enum class EScriptPropsField { None, Title, DomainList, LogonUser, LogonPW };
enum class EScriptNewField { None, ID, Title, RootURL };

using EScriptPropsAccept = std::function<bool(CEScriptPropsData& data, EScriptPropsField& field)>;
using EScriptNewAccept = std::function<bool(CEScriptNewData& data, EScriptNewField& field)>;

class IDataDialogs {
public:
    virtual ~IDataDialogs() = default;
    // Each returns true when the dialog ended with an accepted OK, false when cancelled.
    virtual bool EScriptProps(CEScriptPropsData& data, const EScriptPropsAccept& accept) = 0;
    virtual bool EScriptNew(CEScriptNewData& data, const EScriptNewAccept& accept) = 0;
    virtual void Information(const CInformationData& info) = 0;
};

// Fills each dialog from a queue of steps. A step edits the data as a user would and returns
// true to press OK or false to cancel; after a refused OK the next step of the same dialog
// runs, and a dialog without steps left is cancelled, so a test never waits for a user.
class CScriptedDialogs final : public IDataDialogs {
public:
    using PropsStep = std::function<bool(CEScriptPropsData&)>;
    using NewStep = std::function<bool(CEScriptNewData&)>;

    bool EScriptProps(CEScriptPropsData& data, const EScriptPropsAccept& accept) override;
    bool EScriptNew(CEScriptNewData& data, const EScriptNewAccept& accept) override;
    void Information(const CInformationData& info) override;

    void QueueProps(PropsStep step) { m_props.push_back(std::move(step)); }
    void QueueNew(NewStep step) { m_new.push_back(std::move(step)); }

    // Every dialog shown so far, by name ("props", "new", "information"), in order.
    [[nodiscard]] const std::vector<QString>& Shown() const { return m_shown; }
    // The fields named by refused OKs, in order.
    [[nodiscard]] const std::vector<EScriptPropsField>& RefusedProps() const {
        return m_refusedProps;
    }
    [[nodiscard]] const std::vector<EScriptNewField>& RefusedNew() const { return m_refusedNew; }
    [[nodiscard]] const std::vector<CInformationData>& InformationShown() const {
        return m_information;
    }

private:
    std::deque<PropsStep> m_props;
    std::deque<NewStep> m_new;
    std::vector<QString> m_shown;
    std::vector<EScriptPropsField> m_refusedProps;
    std::vector<EScriptNewField> m_refusedNew;
    std::vector<CInformationData> m_information;
};
