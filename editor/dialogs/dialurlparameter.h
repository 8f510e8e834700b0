#pragma once
// Replacing one section of a script URL's path by a flexible variable: lists the sections
// the separator cuts the path into and the URL each choice gives.

#include "scriptmodel.h"

#include <QString>

#include <vector>

class CDialURLParameter {
public:
    QString m_strSeparator = QStringLiteral("/"); // in/out
    QString m_strSourceURL;                       // in
    QString m_strNewURL;                          // out
    QString m_strParameter;                       // in: the variable to insert
    QString m_strValue;                           // out: the replaced section

    void Open();
    void SetSeparator(const QString& separator);
    void SelectCandidate(int index);

    [[nodiscard]] const std::vector<CURLTokenObj>& Candidates() const { return m_lstCandidates; }
    [[nodiscard]] int SelectedCandidate() const { return m_nSelected; }
    [[nodiscard]] bool IsOKEnabled() const { return !m_strNewURL.isEmpty(); }
    [[nodiscard]] static QString Title();

private:
    void Rebuild();

    std::vector<CURLTokenObj> m_lstCandidates;
    int m_nSelected = -1;
    bool m_bReady = false;
};
