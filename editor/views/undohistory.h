#pragma once
// Undo and redo of the e-script without help from the commands. The history keeps a mirror of
// the e-script at rest (every tab's identity, name and rows, the document's e-script-wide
// values). After a load the rows are their own mirror: the copy of them is taken when the
// first step opens (or an undo, redo or change outside every step needs it), so that opening an
// e-script does not pay for a second copy of every row. Every entry point that may change the
// e-script opens a step guard; when the outermost guard closes, one pass compares the tabs with the
// mirror and keeps only the difference as the step. Undo and redo apply a step's difference
// backwards or forwards to the rows, the tabs, the document and the mirror.

#include "mytreegridctrl.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CBaseScriptView;
class CXALScripEditDoc;
class CXALScripEditView;

// What a row holds of the e-script: all but its selection, expansion and merging.
struct CRowContent {
    std::array<CGridCell, 2> cells;
    COLORREF crBackground = 0xFFFFFF;
    std::uint32_t nData = 0;
    int nRecordCell = 0;
    bool bSubRow = false;
    CGridItemRecord record;
};

// One place where the rows differ: the rows removed at nOld of the state before and the rows
// inserted at nNew of the state after. A changed row is one removed and one inserted row.
struct CRowHunk {
    int nOld = 0;
    int nNew = 0;
    std::vector<CRowContent> removed;
    std::vector<CRowContent> inserted;
};

// A conditional-script tab that came or went: where, and all it held.
struct CTabSnapshot {
    int nIndex = 0;
    QString strName;
    QByteArray baExtraFields;
    std::vector<CRowContent> rows;
};

// The e-script-wide values of the document that edits change.
struct CDocValues {
    QString strRootURL; // the root URL in effect (a changed one when there is one)
    QString strLogonUser;
    QString strLogonPW;
    QStringList lstDomainAvailable;
    QStringList lstDomain;
    std::vector<CFindReplaceObj> lstFlexible;
    int nFlexibleCount = 0;
};

struct CUndoStep {
    std::vector<CTabSnapshot> removedTabs; // ascending index of the state before
    std::vector<CTabSnapshot> addedTabs;   // ascending index of the state after
    // Row changes of the tabs that stayed: index among them (the tab index once the removed
    // and added tabs are out), and the hunks in row order.
    std::vector<std::pair<int, std::vector<CRowHunk>>> rows;
    unsigned nDocMask = 0; // CDocValues groups that changed
    CDocValues docBefore;
    CDocValues docAfter;
    int nActiveBefore = 0;
    int nActiveAfter = 0;

    [[nodiscard]] bool IsEmpty() const {
        return removedTabs.empty() && addedTabs.empty() && rows.empty() && nDocMask == 0;
    }
};

class CUndoHistory {
public:
    // Both must outlive the history.
    CUndoHistory(CXALScripEditView& tabView, CXALScripEditDoc& doc);
    ~CUndoHistory();
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;

    // Forgets every step and takes the e-script as it is now as the state at rest (after a
    // load). Clean unless the document is modified (a restored recovery file). The rows are
    // mirrored later, before anything can change them through a step.
    void Reset();

    // Step guards nest; only the outermost one captures.
    void BeginStep();
    void EndStep();
    [[nodiscard]] bool IsInStep() const { return m_nDepth > 0; }

    [[nodiscard]] bool CanUndo() const { return m_nDepth == 0 && m_nPos > 0; }
    [[nodiscard]] bool CanRedo() const {
        return m_nDepth == 0 && m_nPos < static_cast<int>(m_steps.size());
    }
    bool Undo();
    bool Redo();

    // The document's values changed outside any edit (stored by the properties dialog): they
    // become part of the state at rest without a step.
    void TakeDocumentValues();

    [[nodiscard]] int StepCount() const { return static_cast<int>(m_steps.size()); }
    [[nodiscard]] int Position() const { return m_nPos; }
    [[nodiscard]] const CUndoStep& Step(int nIndex) const {
        return m_steps.at(static_cast<std::size_t>(nIndex));
    }
    // Bytes the steps hold (rows and texts counted in full, even where shared).
    [[nodiscard]] std::size_t HeldBytes() const;
    // Rows of every tab mirrored so far (none between a load and the first step).
    [[nodiscard]] std::size_t MirroredRows() const;

    // Older steps go once there are more than this.
    static constexpr int kMaxSteps = 1000;

private:
    struct CMirrorRow {
        CRowContent content;
        const CGridItemRecord* pId = nullptr; // the live row's record: rows keep it while moving
    };
    struct CMirrorTab {
        CBaseScriptView* pView = nullptr; // Not owned.
        QString strName;
        QByteArray baExtraFields;
        std::vector<CMirrorRow> rows;
    };

    void Capture();
    // Takes the mirror of the rows when the last Reset left it to be taken.
    void MirrorRowsIfStale();
    void Apply(const CUndoStep& step, bool bForward);
    [[nodiscard]] CMirrorTab MirrorOf(CBaseScriptView& view) const;
    [[nodiscard]] CDocValues DocValues() const;
    void SetDocValues(const CDocValues& values, unsigned nMask);
    void ApplyHunks(int nTab, const std::vector<CRowHunk>& hunks, bool bForward);
    void InsertTab(const CTabSnapshot& snapshot);
    void FollowModified();

    CXALScripEditView& m_tabView;
    CXALScripEditDoc& m_doc;
    QMetaObject::Connection m_modifiedConnection;
    std::vector<CMirrorTab> m_mirror;
    CDocValues m_mirrorDoc;
    std::vector<CUndoStep> m_steps;
    int m_nPos = 0;   // steps before it are done
    int m_nClean = 0; // position of the saved e-script; -1 when no position is
    int m_nDepth = 0;
    int m_nActiveAtBegin = 0;
    bool m_bApplying = false;
    bool m_bMirrorStale = false; // the rows at rest are the live rows, not yet copied
};

// Opens a step for its lifetime.
class CUndoStepGuard {
public:
    explicit CUndoStepGuard(CUndoHistory& history) : m_history(history) { m_history.BeginStep(); }
    ~CUndoStepGuard() { m_history.EndStep(); }
    CUndoStepGuard(const CUndoStepGuard&) = delete;
    CUndoStepGuard& operator=(const CUndoStepGuard&) = delete;

private:
    CUndoHistory& m_history;
};
