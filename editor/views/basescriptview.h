#pragma once
// What the main-script view and the conditional-script views share: the grid, building rows
// from model objects, collecting rows back into model objects, the text search, spreading and
// renumbering placeholders, the context-menu choice and the command enabling.

#include "gridrecord.h"
#include "mytreegridctrl.h"
#include "scriptmodel.h"

#include <QString>
#include <QStringList>

class CDialEditURL;
class CXALScripEditView;

class CBaseScriptView {
public:
    CBaseScriptView(CXALScripEditView& tabView, int nViewKind);
    virtual ~CBaseScriptView() = default;
    CBaseScriptView(const CBaseScriptView&) = delete;
    CBaseScriptView& operator=(const CBaseScriptView&) = delete;

    [[nodiscard]] bool IsConditional() const { return m_grid.m_nViewKind == 1; }
    [[nodiscard]] CMyTreeGridCtrl& Grid() { return m_grid; }
    [[nodiscard]] const CMyTreeGridCtrl& Grid() const { return m_grid; }
    [[nodiscard]] const QString& GetName() const { return m_strName; }
    [[nodiscard]] CXALScripEditView& TabView() const { return m_tabView; }

    // Rebuilds the script's URLs from the rows into subscript and the e-script-wide parts
    // (root URL, logon values, flexible parameters) into script.
    virtual void CollectScript(CScriptObj& script, CSubscriptObj& subscript) = 0;
    // The tab's close button.
    virtual void OnClose() = 0;

    // The URL row's label followed by the parameters that travel in the URL.
    [[nodiscard]] QString GetURLWithQuery(int nURLRow) const;
    // Collects rows from the URL row of nStartRow on; bSingleURL stops at the next URL row,
    // bSplit gives the first URL a twin (split marks 4096 and 8192).
    void CollectRows(int nStartRow, bool bSingleURL, bool bSplit, CSubscriptObj& subscript);
    [[nodiscard]] bool FindTextInRows(const QString& strText) const {
        return m_grid.FindTextInRows(strText);
    }
    void SpreadFlexibleParameter(const CSpreadRequest& request);
    // Inserts URL rows with their parameters after the block of nRow's URL (at the end without
    // a row) and selects the first of them.
    void InsertURLs(int nRow, const std::vector<CURLObj>& urls);
    void RenumberPlaceholders(const QString& strOld, const QString& strNew);
    // All of RenumberPlaceholders for nFrom..nCount-1 (each one down) in one pass over the rows.
    void ShiftPlaceholders(int nFrom, int nCount);

    // Right click on nHitRow (-1 for empty space): adjusts the selection as the grid does and
    // returns the menu to show, or 0 while a recording runs.
    int PrepareContextMenu(int nHitRow);
    [[nodiscard]] bool IsCommandEnabled(int nCommand) const;
    // True when the view handled the command.
    virtual bool OnCommand(int nCommand);

    [[nodiscard]] virtual bool CanMoveUp() const = 0;
    [[nodiscard]] virtual bool CanMoveDown() const = 0;

    // Flexible parameter (32780) and Reset flexible parameter (32786) on the first selected row.
    void OnFlexibleParameter();
    void OnResetFlexibleParameter();
    // Resets the flexible parameter of one row (a URL row with flags 9999, a parameter row with
    // 0x800 or 0x8000) and frees its number when no other row shows it, renumbering the higher
    // ones in every view. False (nothing changed) for any other row. Delete runs it on each
    // row before removing it.
    bool ResetFlexibleRow(int nRow);
    // Create conditional script (32870) of the main-script view.
    void CreateConditionalScript();
    // Editing commands (editcommands.cpp).
    void OnCreate();
    void OnEdit();
    void OnDelete();
    void OnMove(bool bUp);
    void OnBrowser();
    void OnExcludeDomain();
    // The URL a Browser command opens for a row: the label, and for a GET URL its parameters.
    [[nodiscard]] QString GetBrowserURL(int nRow) const;

protected:
    // Runs an editing command; false when nCommand is none.
    bool OnEditCommand(int nCommand);
    [[nodiscard]] static bool IsEditCommand(int nCommand);
    // Builds the URL row of a model URL (label, icon, record, colour) without adding it.
    [[nodiscard]] CGridRow MakeURLRow(const CURLObj& url);
    // Builds a parameter row; bUndecodedFlexible keeps flexible values as stored (conditional
    // views). The parameter's texts move into the row.
    [[nodiscard]] static CGridRow MakeParamRow(CURLParamObj param, COLORREF crColor,
                                               bool bUndecodedFlexible);
    // Appends the rows of a script's URLs to the empty grid in one pass (URL rows merged).
    // With pOwned (the same object as subscript) the texts move into the rows and every URL is
    // freed once its rows stand, so that a large e-script is never held twice.
    void FillRows(const CSubscriptObj& subscript, CSubscriptObj* pOwned);
    // Adjusts a URL row FillRows built before it goes into the grid; bFirst for the script's
    // first URL.
    virtual void PrepareURLRow(const CURLObj& url, CGridRow& row, bool bFirst) = 0;
    // A collected URL from a URL row (server, address, port and protocol parsed from the label).
    [[nodiscard]] CURLObj URLFromRow(int nRow) const;
    [[nodiscard]] CURLParamObj ParamFromRow(int nRow) const;
    // Takes from a collected parameter row what belongs to the whole e-script: the first logon
    // values and each flexible parameter once; also notes the placeholder numbers it shows.
    void CollectScriptParts(CScriptObj& script, const QString& strName,
                            const CGridItemRecord& record);
    // Row from which SpreadFlexibleParameter starts.
    [[nodiscard]] virtual int SpreadStartRow() const { return 0; }
    void MakeURLSectionFlexible(int nRow);
    void MakeParameterFlexible(int nRow);
    // The URL a flexible URL row goes back to on reset.
    [[nodiscard]] QString OriginalLabel(int nURLRow) const;
    // A parameter row back to its org value, as an ordinary parameter (no release).
    void ResetParameterValue(int nRow);
    // Removes the logon and flexible variables from a URL row and its parameters before a
    // conditional script is made from it. Returns the variable that could not be removed
    // (empty when none is left).
    QString RemoveInternalVariables(int nURLRow);
    // Commands this view carries out (the others stay disabled).
    [[nodiscard]] virtual bool Implements(int nCommand) const;

    CXALScripEditView& m_tabView;
    CMyTreeGridCtrl m_grid;
    QString m_strName;

private:
    void CreateURL(int nURLRow);
    void CreateParameter(int nURLRow);
    void EditURL(int nRow);
    static void MoveQueryToRows(CDialEditURL& dialog);
    void EditParameter(int nRow);
    [[nodiscard]] bool HasFlexibleCondition(int nURLRow) const;
    [[nodiscard]] bool CanRemoveURLRow(int nRow) const;
    // The row Up and Down move: the first selected row, in a conditional view the current row.
    [[nodiscard]] int MoveRow() const;
    // Record flags of a new or edited URL row: those a loaded URL with that label gets.
    [[nodiscard]] int NewURLRecordFlags(const QString& strLabel) const;
    // Number of URL rows in front of a URL row.
    [[nodiscard]] int URLOrdinal(int nURLRow) const;
    void SelectOnly(int nRow);
    // Delete and Edit keep the root URL in step with row 0 (main view): string 17.
    void CheckRootURL(const QString& strBefore);
    void ReleasePlaceholders(const QStringList& lstPlaceholders);
    [[nodiscard]] static CGridRow MakeDialogParamRow(const CURLParamObj& param, COLORREF crColor);
};

// Label of a URL: protocol prefix, server, port suffix and address.
[[nodiscard]] QString URLLabel(const CURLObj& url);
// Display value of a parameter: decoded up to 10 rounds unless one of the keep bits is set.
[[nodiscard]] QString DisplayValue(const QString& strValue, int nSpecialVariable, int nKeepBits);
// Splits a URL label into server, address (with query) and port (80 when it names none). Also
// copes with labels the URL parser refuses, so that no row is lost on collecting.
struct CLabelParts {
    QString strServer;
    QString strAddress;
    int nPort = 80;
};
[[nodiscard]] CLabelParts SplitLabel(const QString& strLabel);
// Reads the flexible-parameter number right after the first "_XALURL_"; -1 when none.
[[nodiscard]] int PlaceholderNumber(const QString& strText);
