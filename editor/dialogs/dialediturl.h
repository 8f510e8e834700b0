#pragma once
// Creating or editing one URL of a script: protocol, server, address, parameter method and the
// ordered parameters. Also takes a whole URL from the clipboard, copies the assembled URL to
// it and opens it in the browser.

#include "dialogshell.h"
#include "editdialogs.h"
#include "messages.h"
#include "scriptmodel.h"

#include <QString>
#include <QStringList>

#include <vector>

// One row of the parameter list.
struct CURLParamRow {
    QString strName;
    QString strShown;    // column 1, and the shown value of the row record
    int nMethodMark = 0; // 0 GET, 1 POST, 2 POST sent in the URL anyway
    int nKind = 0;       // 0 predefined, 1 user, 2 password, 3+ chosen variable, 9999 loaded
    QString strOrgValue;
    QString strEntered; // the value as entered (undecoded)
};

// A URL text as the dialog takes it from the clipboard: each UTF-8 byte one character, a
// protocol put in front when it has none, checked and split. Paste in the script views takes
// URLs by the same rules.
struct CPastedURL {
    enum class Status { Ok, InternalVariable, BadSyntax };
    Status status = Status::Ok;
    QString strText;          // the text as checked
    QString strKind;          // InternalVariable: the kind found
    bool bParsed = false;     // false: the checked text still does not parse as a URL
    bool bHasAddress = false; // false: a bare server
    int nProtocol = 0;
    QString strServer;               // server name with port suffix
    QString strObject;               // address with query
    QString strAddress;              // address up to its "?"
    std::vector<CURLParamObj> pairs; // parameters of the query, as they stand
};
[[nodiscard]] CPastedURL CheckPastedURL(const QString& clipboardText);

class CDialEditURL {
public:
    enum class Field { None, Server, Address };

    CDialEditURL(IMessageSink& messages, IEditDialogs& dialogs, IDialogShell& shell)
        : m_messages(messages), m_dialogs(dialogs), m_shell(shell) {}

    // Inputs, set before Open().
    int m_nAdd = 1;
    bool m_bServerLocked = false;
    int m_nProtocol = 0;
    int m_nMethod = 0;
    QString m_strServer;
    QString m_strAddress;
    CSubscriptObj m_lstURLs; // in: first URL gives the rows; out: the one URL built by OK
    bool m_bKindLocked = false;
    int m_nNextFlexibleNumber = 0;
    // Out: placeholders a row stopped showing; the caller releases each one that no row of any
    // script shows any more, once its own rows hold the result.
    QStringList m_lstReleased;

    void Open();

    [[nodiscard]] QString Title() const;
    [[nodiscard]] const std::vector<CURLParamRow>& Rows() const { return m_rows; }
    [[nodiscard]] int Selected() const { return m_nSelected; }
    [[nodiscard]] QString CompleteURL() const;

    void SetProtocol(int protocol) { m_nProtocol = protocol; }
    void SetServer(const QString& server) { m_strServer = server; }
    void SetAddress(const QString& address) { m_strAddress = address; }
    void ChangeMethod(int method);
    void Select(int row);

    bool AddParameter();
    bool EditParameter();
    void DeleteParameter();
    void DeleteAllParameters();
    void MoveUp();
    void MoveDown();
    // Clipboard and browser; false when nothing was done (message shown where there is one).
    bool PasteURL();
    bool CopyURL();
    bool OpenInBrowser();

    [[nodiscard]] bool IsServerActionEnabled() const { return !m_strServer.isEmpty(); }
    [[nodiscard]] bool IsUpEnabled() const { return !m_rows.empty() && m_nSelected > 0; }
    [[nodiscard]] bool IsDownEnabled() const {
        return !m_rows.empty() && m_nSelected >= 0 && m_nSelected + 1 < int(m_rows.size());
    }
    [[nodiscard]] bool IsRowActionEnabled() const { return !m_rows.empty(); }

    // OK: false keeps the dialog open with the focus on FocusField().
    bool OnOK();
    [[nodiscard]] Field FocusField() const { return m_focus; }

    // One more than the highest placeholder number the rows show; -1 when none does.
    [[nodiscard]] int NextFlexibleNumberFromRows() const;

private:
    bool CheckURL(const QString& url);
    // The complete URL with each row's value as entered (encoded), for the OK check.
    [[nodiscard]] QString URLToCheck() const;
    // The assembled URL with each row's shown value, or with the value as entered (bEntered).
    [[nodiscard]] QString BuildURL(bool bEntered) const;
    void Release(const QString& shownValue);
    void ApplyPastedURL(const CPastedURL& pasted);

    IMessageSink& m_messages;
    IEditDialogs& m_dialogs;
    IDialogShell& m_shell;
    std::vector<CURLParamRow> m_rows;
    int m_nSelected = -1;
    Field m_focus = Field::None;
};
