#pragma once
// The account object: the e-script under edit, as the save addresses it.

#include <QString>

class CAccountObj {
public:
    virtual ~CAccountObj() = default;

    QString m_strAccountID;    // the XAL ID; the save writes to the document with this _id
    QString m_strAccountTitle; // title last shown after the properties dialog
    QString m_strNewRootURL;   // root URL that changed during a recording
    bool m_bRootChanged = false;
};
