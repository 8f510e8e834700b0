#pragma once
// The document: no data of its own, only the modified flag and the decision what happens
// when the editor closes with unsaved changes.

class CXALScripEditView;

class CXALScripEditDoc {
public:
    CXALScripEditDoc() = default;

    [[nodiscard]] bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    // Called when the main window closes. Asks string 158 (empty main script) or 135 and runs
    // SaveAccount on Yes; true when the editor may close. A failed save keeps it open.
    bool SaveModified(const CXALScripEditView& view);

private:
    bool m_bModified = false;
};
