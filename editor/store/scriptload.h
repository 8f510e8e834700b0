#pragma once
// Reading an e-script document of xaldata.escript into the model. A load never writes.
//
// What a save could not write back unchanged (a field of another type than the editor writes,
// an element of an array that is no document, a port out of range, text that is not UTF-8) is
// noted in the script's m_strNotSavable, naming the field; the rest is read as usual. Fields of
// URL, parameter, conditional-script and urlparameter elements that the editor does not know
// are kept on their element (m_baExtraFields) and written back by the save. An "urlparameter"
// find stored without a trailing "=" (a piece of an address) is read with m_nNoEqualSign 1, so
// that saving the e-script again writes it back unchanged.

#include <QString>
#include <QStringList>

class CMongoDB;
class CScriptObj;
class CTestAddData;

// Fills script (its m_strID names the document, its lists are expected empty). Every string
// of "domainlist_available" is also appended to rememberedDomains when one is given.
// Returns true when a document with that _id was found. A failing query also gives false;
// the session's GetLastError() then tells it apart from a missing document.
bool LoadScript(CMongoDB& db, CScriptObj& script, QStringList* rememberedDomains = nullptr);

// Fills a freshly constructed data object with the fields of the stored e-script id that the
// editor does not edit but carries into a test copy. Without such a document the values of
// construction stay.
void LoadTestAddData(CMongoDB& db, CTestAddData& data, const QString& id);

class CMDBRecord;

// Fills script from a document in the layout of xaldata.escript (e.g. one kept outside the
// database), by the rules of LoadScript; the document's _id becomes script.m_strID.
void ReadScriptDocument(const CMDBRecord& record, CScriptObj& script);
