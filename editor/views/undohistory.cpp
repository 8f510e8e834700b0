#include "undohistory.h"

#include "basescriptview.h"
#include "subscriptview.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <algorithm>
#include <unordered_map>

namespace {
// Groups of CDocValues.
enum DocGroup : unsigned {
    kDocRoot = 1,
    kDocLogon = 2,
    kDocAvailable = 4,
    kDocDomains = 8,
    kDocFlexible = 16,
};

// Rows mostly share their texts with the mirror: equal data pointers settle it at once.
bool SameText(const QString& a, const QString& b) {
    return (a.size() == b.size() && a.constData() == b.constData()) || a == b;
}

bool SameBytes(const QByteArray& a, const QByteArray& b) {
    return (a.size() == b.size() && a.constData() == b.constData()) || a == b;
}

bool SameRecord(const CGridItemRecord& a, const CGridItemRecord& b) {
    return a.m_nFlags == b.m_nFlags && SameText(a.m_strValue, b.m_strValue) &&
           SameText(a.m_strRawValue, b.m_strRawValue) &&
           SameText(a.m_strOrgValue, b.m_strOrgValue) &&
           SameBytes(a.m_baExtraFields, b.m_baExtraFields);
}

bool SameRow(const CRowContent& content, const CGridRow& row) {
    return content.nData == row.m_nData && content.bSubRow == row.m_bSubRow &&
           content.crBackground == row.m_crBackground && content.nRecordCell == row.m_nRecordCell &&
           content.cells[0].nImage == row.m_cells[0].nImage &&
           content.cells[1].nImage == row.m_cells[1].nImage &&
           SameText(content.cells[0].strText, row.m_cells[0].strText) &&
           SameText(content.cells[1].strText, row.m_cells[1].strText) &&
           SameRecord(content.record, *row.m_pRecord);
}

CRowContent ContentOf(const CGridRow& row) {
    CRowContent content;
    content.cells = row.m_cells;
    content.crBackground = row.m_crBackground;
    content.nData = row.m_nData;
    content.nRecordCell = row.m_nRecordCell;
    content.bSubRow = row.m_bSubRow;
    content.record = *row.m_pRecord;
    return content;
}

// Puts content into a row, keeping its record object (so its identity) and its view states.
void AssignContent(CGridRow& row, const CRowContent& content) {
    row.m_cells = content.cells;
    row.m_crBackground = content.crBackground;
    row.m_nData = content.nData;
    row.m_nRecordCell = content.nRecordCell;
    row.m_bSubRow = content.bSubRow;
    row.m_bMerged = !content.bSubRow;
    *row.m_pRecord = content.record;
}

CGridRow RowOf(const CRowContent& content) {
    CGridRow row;
    AssignContent(row, content);
    return row;
}

bool SameFlexible(const std::vector<CFindReplaceObj>& a, const std::vector<CFindReplaceObj>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CFindReplaceObj& x, const CFindReplaceObj& y) {
                          return x.m_strFind == y.m_strFind && x.m_strReplace == y.m_strReplace &&
                                 x.m_nNoEqualSign == y.m_nNoEqualSign &&
                                 x.m_baExtraFields == y.m_baExtraFields;
                      });
}

unsigned DocDifference(const CDocValues& a, const CDocValues& b) {
    unsigned nMask = 0;
    if (a.strRootURL != b.strRootURL)
        nMask |= kDocRoot;
    if (a.strLogonUser != b.strLogonUser || a.strLogonPW != b.strLogonPW)
        nMask |= kDocLogon;
    if (a.lstDomainAvailable != b.lstDomainAvailable)
        nMask |= kDocAvailable;
    if (a.lstDomain != b.lstDomain)
        nMask |= kDocDomains;
    if (a.nFlexibleCount != b.nFlexibleCount || !SameFlexible(a.lstFlexible, b.lstFlexible))
        nMask |= kDocFlexible;
    return nMask;
}

std::size_t TextBytes(const QString& text) {
    return static_cast<std::size_t>(text.size()) * sizeof(QChar);
}

std::size_t ContentBytes(const std::vector<CRowContent>& rows) {
    std::size_t nBytes = rows.capacity() * sizeof(CRowContent);
    for (const CRowContent& row : rows) {
        nBytes += TextBytes(row.cells[0].strText) + TextBytes(row.cells[1].strText) +
                  TextBytes(row.record.m_strOrgValue) + TextBytes(row.record.m_strRawValue) +
                  TextBytes(row.record.m_strValue) +
                  static_cast<std::size_t>(row.record.m_baExtraFields.size());
    }
    return nBytes;
}

std::size_t DocBytes(const CDocValues& values) {
    std::size_t nBytes = sizeof(CDocValues) + TextBytes(values.strRootURL) +
                         TextBytes(values.strLogonUser) + TextBytes(values.strLogonPW);
    for (const QString& text : values.lstDomainAvailable)
        nBytes += sizeof(QString) + TextBytes(text);
    for (const QString& text : values.lstDomain)
        nBytes += sizeof(QString) + TextBytes(text);
    for (const CFindReplaceObj& entry : values.lstFlexible)
        nBytes += sizeof(CFindReplaceObj) + TextBytes(entry.m_strFind) +
                  TextBytes(entry.m_strReplace) +
                  static_cast<std::size_t>(entry.m_baExtraFields.size());
    return nBytes;
}

// The difference between a tab's rows at rest and its rows now. Rows are followed by their
// record, which stays with a row while rows around it come and go; rows with other records
// but the same content count as the same row.
template <class MirrorRow>
std::vector<CRowHunk> DiffRows(const std::vector<MirrorRow>& old, const CMyTreeGridCtrl& grid) {
    std::vector<CRowHunk> hunks;
    const int nOld = static_cast<int>(old.size());
    const int nNew = grid.GetRowCount();
    const auto oldRow = [&](int i) -> const MirrorRow& { return old[static_cast<std::size_t>(i)]; };
    int nPrefix = 0;
    while (nPrefix < nOld && nPrefix < nNew && SameRow(oldRow(nPrefix).content, grid.Row(nPrefix)))
        ++nPrefix;
    int nSuffix = 0;
    while (nSuffix < nOld - nPrefix && nSuffix < nNew - nPrefix &&
           SameRow(oldRow(nOld - 1 - nSuffix).content, grid.Row(nNew - 1 - nSuffix)))
        ++nSuffix;
    const int nOldEnd = nOld - nSuffix;
    const int nNewEnd = nNew - nSuffix;

    std::unordered_map<const CGridItemRecord*, int> index;
    bool bIndexed = false;
    CRowHunk* pOpen = nullptr;
    const auto hunkAt = [&](int i, int j) -> CRowHunk& {
        if (pOpen == nullptr) {
            hunks.push_back(CRowHunk{i, j, {}, {}});
            pOpen = &hunks.back();
        }
        return *pOpen;
    };
    int i = nPrefix;
    int j = nPrefix;
    while (i < nOldEnd || j < nNewEnd) {
        if (i < nOldEnd && j < nNewEnd) {
            const CGridRow& row = grid.Row(j);
            const bool bSameId = oldRow(i).pId == row.m_pRecord.get();
            if (SameRow(oldRow(i).content, row)) {
                pOpen = nullptr;
                ++i;
                ++j;
                continue;
            }
            if (bSameId) {
                CRowHunk& hunk = hunkAt(i, j);
                hunk.removed.push_back(oldRow(i++).content);
                hunk.inserted.push_back(ContentOf(grid.Row(j++)));
                continue;
            }
            if (!bIndexed) {
                index.reserve(static_cast<std::size_t>(nOldEnd - nPrefix));
                for (int k = nPrefix; k < nOldEnd; ++k)
                    index.emplace(oldRow(k).pId, k);
                bIndexed = true;
            }
            const auto found = index.find(row.m_pRecord.get());
            if (found != index.end() && found->second > i) {
                // The rows up to the one this row was went away.
                CRowHunk& hunk = hunkAt(i, j);
                while (i < found->second)
                    hunk.removed.push_back(oldRow(i++).content);
                continue;
            }
            CRowHunk& hunk = hunkAt(i, j);
            hunk.inserted.push_back(ContentOf(grid.Row(j++)));
            continue;
        }
        CRowHunk& hunk = hunkAt(i, j);
        if (j == nNewEnd)
            hunk.removed.push_back(oldRow(i++).content);
        else
            hunk.inserted.push_back(ContentOf(grid.Row(j++)));
    }
    return hunks;
}
} // namespace

CUndoHistory::CUndoHistory(CXALScripEditView& tabView, CXALScripEditDoc& doc)
    : m_tabView(tabView), m_doc(doc) {
    // A successful save makes the position it was made at the clean one.
    m_modifiedConnection =
        QObject::connect(&m_doc, &CXALScripEditDoc::ModifiedChanged, [this](bool bModified) {
            if (!bModified && !m_bApplying)
                m_nClean = m_nPos;
        });
    Reset();
}

CUndoHistory::~CUndoHistory() {
    QObject::disconnect(m_modifiedConnection);
}

CUndoHistory::CMirrorTab CUndoHistory::MirrorOf(CBaseScriptView& view) const {
    CMirrorTab tab;
    tab.pView = &view;
    tab.strName = view.GetName();
    if (const auto* pSub = dynamic_cast<const CSubscriptView*>(&view))
        tab.baExtraFields = pSub->GetExtraFields();
    const CMyTreeGridCtrl& grid = view.Grid();
    tab.rows.reserve(static_cast<std::size_t>(grid.GetRowCount()));
    for (int i = 0; i < grid.GetRowCount(); ++i)
        tab.rows.push_back(CMirrorRow{ContentOf(grid.Row(i)), grid.Row(i).m_pRecord.get()});
    return tab;
}

CDocValues CUndoHistory::DocValues() const {
    CDocValues values;
    values.strRootURL = m_doc.IsRootChanged() ? m_doc.NewRootURL() : m_doc.RootURL();
    values.strLogonUser = m_doc.LogonUser();
    values.strLogonPW = m_doc.LogonPW();
    values.lstDomainAvailable = m_doc.AvailableDomains();
    values.lstDomain = m_doc.Domains();
    values.lstFlexible = m_doc.FlexibleParameters();
    values.nFlexibleCount = m_doc.FlexibleCount();
    return values;
}

void CUndoHistory::SetDocValues(const CDocValues& values, unsigned nMask) {
    // A root URL going back is written by the next save even when it is the stored one: that
    // costs nothing and keeps a root changed before an undone save right.
    if ((nMask & kDocRoot) != 0)
        m_doc.SetRootURL(values.strRootURL);
    if ((nMask & kDocLogon) != 0)
        m_doc.SetLogon(values.strLogonUser, values.strLogonPW);
    if ((nMask & kDocAvailable) != 0)
        m_doc.SetAvailableDomains(values.lstDomainAvailable);
    if ((nMask & kDocDomains) != 0)
        m_doc.SetDomains(values.lstDomain);
    if ((nMask & kDocFlexible) != 0)
        m_doc.SetFlexibleParameters(values.lstFlexible, values.nFlexibleCount);
}

void CUndoHistory::Reset() {
    m_steps.clear();
    m_nPos = 0;
    m_nClean = m_doc.IsModified() ? -1 : 0;
    m_mirror.clear();
    m_mirror.shrink_to_fit();
    m_bMirrorStale = true;
    m_mirrorDoc = DocValues();
}

void CUndoHistory::MirrorRowsIfStale() {
    if (!m_bMirrorStale)
        return;
    m_bMirrorStale = false;
    m_mirror.reserve(static_cast<std::size_t>(m_tabView.GetTabCount()));
    for (int i = 0; i < m_tabView.GetTabCount(); ++i)
        m_mirror.push_back(MirrorOf(*m_tabView.GetTabView(i)));
}

std::size_t CUndoHistory::MirroredRows() const {
    std::size_t nRows = 0;
    for (const CMirrorTab& tab : m_mirror)
        nRows += tab.rows.size();
    return nRows;
}

void CUndoHistory::TakeDocumentValues() {
    if (m_nDepth == 0)
        m_mirrorDoc = DocValues();
}

void CUndoHistory::BeginStep() {
    if (m_nDepth++ == 0) {
        MirrorRowsIfStale();
        m_nActiveAtBegin = m_tabView.GetActiveTab();
    }
}

void CUndoHistory::EndStep() {
    if (m_nDepth > 0 && --m_nDepth == 0 && !m_bApplying)
        Capture();
}

void CUndoHistory::Capture() {
    MirrorRowsIfStale();
    CUndoStep step;
    step.nActiveBefore = m_nActiveAtBegin;
    step.nActiveAfter = m_tabView.GetActiveTab();

    std::vector<CBaseScriptView*> views;
    for (int i = 0; i < m_tabView.GetTabCount(); ++i)
        views.push_back(m_tabView.GetTabView(i));
    const auto isLive = [&](const CMirrorTab& tab) {
        return std::find(views.begin(), views.end(), tab.pView) != views.end();
    };
    // Tabs never change places: those that stay keep their order. A view whose name changed
    // (a new view at a freed address) counts as gone and new.
    std::vector<int> survivors; // mirror index of each tab that stayed, in order
    for (int m = 0; m < static_cast<int>(m_mirror.size()); ++m) {
        const CMirrorTab& tab = m_mirror[static_cast<std::size_t>(m)];
        const bool bStays =
            isLive(tab) && tab.strName == tab.pView->GetName() &&
            (m == 0 ||
             tab.baExtraFields == static_cast<CSubscriptView*>(tab.pView)->GetExtraFields());
        if (bStays)
            survivors.push_back(m);
        else
            step.removedTabs.push_back(CTabSnapshot{m, tab.strName, tab.baExtraFields, [&tab] {
                                                        std::vector<CRowContent> rows;
                                                        rows.reserve(tab.rows.size());
                                                        for (const CMirrorRow& row : tab.rows)
                                                            rows.push_back(row.content);
                                                        return rows;
                                                    }()});
    }
    std::vector<int> liveOfSurvivor;
    for (int v = 0; v < static_cast<int>(views.size()); ++v) {
        const bool bSurvivor = std::any_of(survivors.begin(), survivors.end(), [&](int m) {
            return m_mirror[static_cast<std::size_t>(m)].pView ==
                   views[static_cast<std::size_t>(v)];
        });
        if (bSurvivor) {
            liveOfSurvivor.push_back(v);
            continue;
        }
        CMirrorTab tab = MirrorOf(*views[static_cast<std::size_t>(v)]);
        CTabSnapshot snapshot{v, tab.strName, tab.baExtraFields, {}};
        snapshot.rows.reserve(tab.rows.size());
        for (CMirrorRow& row : tab.rows)
            snapshot.rows.push_back(std::move(row.content));
        step.addedTabs.push_back(std::move(snapshot));
    }
    for (std::size_t s = 0; s < survivors.size() && s < liveOfSurvivor.size(); ++s) {
        const CMirrorTab& tab = m_mirror[static_cast<std::size_t>(survivors[s])];
        std::vector<CRowHunk> hunks = DiffRows(tab.rows, tab.pView->Grid());
        if (!hunks.empty())
            step.rows.emplace_back(static_cast<int>(s), std::move(hunks));
    }
    const CDocValues docNow = DocValues();
    step.nDocMask = DocDifference(m_mirrorDoc, docNow);
    if (step.nDocMask != 0) {
        step.docBefore = m_mirrorDoc;
        step.docAfter = docNow;
    }
    if (step.IsEmpty())
        return;

    // The mirror follows: tabs that went, rows that changed, tabs that came.
    for (auto it = step.removedTabs.rbegin(); it != step.removedTabs.rend(); ++it)
        m_mirror.erase(m_mirror.begin() + it->nIndex);
    for (const auto& [nTab, hunks] : step.rows) {
        CMirrorTab& tab = m_mirror[static_cast<std::size_t>(nTab)];
        const CMyTreeGridCtrl& grid = tab.pView->Grid();
        std::vector<CMirrorRow> rows;
        rows.reserve(static_cast<std::size_t>(grid.GetRowCount()));
        std::size_t nFrom = 0;
        for (const CRowHunk& hunk : hunks) {
            for (auto k = nFrom; k < static_cast<std::size_t>(hunk.nOld); ++k)
                rows.push_back(std::move(tab.rows[k]));
            for (const CRowContent& content : hunk.inserted)
                rows.push_back(CMirrorRow{content, nullptr});
            nFrom = static_cast<std::size_t>(hunk.nOld) + hunk.removed.size();
        }
        for (auto k = nFrom; k < tab.rows.size(); ++k)
            rows.push_back(std::move(tab.rows[k]));
        // Rows matched by content may have new records: take every identity afresh.
        for (std::size_t k = 0; k < rows.size(); ++k)
            rows[k].pId = grid.Row(static_cast<int>(k)).m_pRecord.get();
        tab.rows = std::move(rows);
    }
    for (const CTabSnapshot& snapshot : step.addedTabs)
        m_mirror.insert(m_mirror.begin() + snapshot.nIndex,
                        MirrorOf(*m_tabView.GetTabView(snapshot.nIndex)));
    m_mirrorDoc = docNow;

    m_steps.erase(m_steps.begin() + m_nPos, m_steps.end());
    if (m_nClean > m_nPos)
        m_nClean = -1; // the saved state was undone and is now out of reach
    m_steps.push_back(std::move(step));
    ++m_nPos;
    if (static_cast<int>(m_steps.size()) > kMaxSteps) {
        m_steps.erase(m_steps.begin());
        --m_nPos;
        m_nClean = m_nClean > 0 ? m_nClean - 1 : -1;
    }
    if (!m_doc.IsModified())
        m_doc.SetModified(true);
}

void CUndoHistory::ApplyHunks(int nTab, const std::vector<CRowHunk>& hunks, bool bForward) {
    CMirrorTab& tab = m_mirror[static_cast<std::size_t>(nTab)];
    CMyTreeGridCtrl& grid = tab.pView->Grid();
    const CGridUpdateBlock block(grid);
    for (const CRowHunk& hunk : hunks) {
        const int nAt = bForward ? hunk.nNew : hunk.nOld;
        const std::vector<CRowContent>& from = bForward ? hunk.removed : hunk.inserted;
        const std::vector<CRowContent>& to = bForward ? hunk.inserted : hunk.removed;
        const auto nCommon = std::min(from.size(), to.size());
        // Changed rows keep their record and view states; only the rest comes and goes.
        for (std::size_t k = 0; k < nCommon; ++k) {
            const int nRow = nAt + static_cast<int>(k);
            AssignContent(grid.Row(nRow), to[k]);
            tab.rows[static_cast<std::size_t>(nRow)].content = to[k];
        }
        const int nRest = nAt + static_cast<int>(nCommon);
        const auto itMirror = tab.rows.begin() + nRest;
        if (from.size() > nCommon) {
            const int nRemove = static_cast<int>(from.size() - nCommon);
            grid.ReplaceRows(nRest, nRemove, {});
            tab.rows.erase(itMirror, itMirror + nRemove);
        } else if (to.size() > nCommon) {
            std::vector<CGridRow> rows;
            std::vector<CMirrorRow> mirrorRows;
            rows.reserve(to.size() - nCommon);
            for (auto k = nCommon; k < to.size(); ++k) {
                rows.push_back(RowOf(to[k]));
                mirrorRows.push_back(CMirrorRow{to[k], rows.back().m_pRecord.get()});
            }
            grid.ReplaceRows(nRest, 0, std::move(rows));
            tab.rows.insert(itMirror, std::make_move_iterator(mirrorRows.begin()),
                            std::make_move_iterator(mirrorRows.end()));
        }
    }
    if (!hunks.empty()) {
        // The place of the change becomes the selection.
        const CRowHunk& first = hunks.front();
        const int nRow = std::min(bForward ? first.nNew : first.nOld, grid.GetRowCount() - 1);
        grid.DeselectAllRows();
        if (nRow >= 0) {
            const int nURL = grid.GetURLRowOf(nRow);
            grid.SelectRow(nURL);
            grid.SetCurrentRow(nURL);
        }
    }
}

void CUndoHistory::InsertTab(const CTabSnapshot& snapshot) {
    CSubscriptView& view =
        m_tabView.InsertConditionalTab(snapshot.nIndex, snapshot.strName, snapshot.baExtraFields);
    std::vector<CGridRow> rows;
    rows.reserve(snapshot.rows.size());
    for (const CRowContent& content : snapshot.rows)
        rows.push_back(RowOf(content));
    {
        const CGridUpdateBlock block(view.Grid());
        view.Grid().ReplaceRows(0, view.Grid().GetRowCount(), std::move(rows));
        if (view.Grid().GetRowCount() > 0)
            view.Grid().SelectRow(0);
    }
    m_mirror.insert(m_mirror.begin() + snapshot.nIndex, MirrorOf(view));
}

void CUndoHistory::Apply(const CUndoStep& step, bool bForward) {
    m_bApplying = true;
    const std::vector<CTabSnapshot>& gone = bForward ? step.removedTabs : step.addedTabs;
    const std::vector<CTabSnapshot>& back = bForward ? step.addedTabs : step.removedTabs;
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
        m_tabView.RemoveTab(it->nIndex);
        m_mirror.erase(m_mirror.begin() + it->nIndex);
    }
    // The tab that shows the change becomes the active one: a tab that came back, else the
    // first whose rows changed.
    const CBaseScriptView* pShown = nullptr;
    for (const auto& [nTab, hunks] : step.rows) {
        ApplyHunks(nTab, hunks, bForward);
        if (pShown == nullptr)
            pShown = m_mirror[static_cast<std::size_t>(nTab)].pView;
    }
    for (const CTabSnapshot& snapshot : back) {
        InsertTab(snapshot);
        if (&snapshot == &back.front())
            pShown = m_mirror[static_cast<std::size_t>(snapshot.nIndex)].pView;
    }
    if (step.nDocMask != 0) {
        SetDocValues(bForward ? step.docAfter : step.docBefore, step.nDocMask);
        m_mirrorDoc = DocValues();
    }
    int nActive = bForward ? step.nActiveAfter : step.nActiveBefore;
    for (int i = 0; i < m_tabView.GetTabCount(); ++i) {
        if (m_tabView.GetTabView(i) == pShown)
            nActive = i;
    }
    m_tabView.SetActiveTab(nActive);
    m_bApplying = false;
}

void CUndoHistory::FollowModified() {
    m_bApplying = true;
    m_doc.SetModified(m_nPos != m_nClean);
    m_bApplying = false;
}

bool CUndoHistory::Undo() {
    if (m_nDepth > 0)
        return false;
    // A change made outside every step would leave the mirror behind the rows, and the
    // step's places would be wrong: it becomes a step of its own first.
    Capture();
    if (!CanUndo())
        return false;
    --m_nPos;
    Apply(m_steps[static_cast<std::size_t>(m_nPos)], false);
    FollowModified();
    return true;
}

bool CUndoHistory::Redo() {
    if (m_nDepth > 0)
        return false;
    Capture(); // as for Undo; a change of its own ends what could be redone
    if (!CanRedo())
        return false;
    Apply(m_steps[static_cast<std::size_t>(m_nPos)], true);
    ++m_nPos;
    FollowModified();
    return true;
}

std::size_t CUndoHistory::HeldBytes() const {
    std::size_t nBytes = m_steps.capacity() * sizeof(CUndoStep);
    for (const CUndoStep& step : m_steps) {
        for (const auto* pTabs : {&step.removedTabs, &step.addedTabs}) {
            for (const CTabSnapshot& tab : *pTabs)
                nBytes += sizeof(CTabSnapshot) + TextBytes(tab.strName) +
                          static_cast<std::size_t>(tab.baExtraFields.size()) +
                          ContentBytes(tab.rows);
        }
        for (const auto& [nTab, hunks] : step.rows) {
            nBytes +=
                sizeof(std::pair<int, std::vector<CRowHunk>>) + hunks.capacity() * sizeof(CRowHunk);
            for (const CRowHunk& hunk : hunks)
                nBytes += ContentBytes(hunk.removed) + ContentBytes(hunk.inserted);
        }
        if (step.nDocMask != 0)
            nBytes += DocBytes(step.docBefore) + DocBytes(step.docAfter);
    }
    return nBytes;
}
