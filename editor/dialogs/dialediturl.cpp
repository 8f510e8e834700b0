#include "dialediturl.h"

#include "admtools.h"
#include "dialediturlparams.h"
#include "specialvars.h"
#include "urlparser.h"
#include "xalstrings.h"

#include <algorithm>

namespace {

// Number of the placeholder in a shown value: the text without every "_XALURL_" and "%",
// read as a leading decimal number (0 without digits).
int PlaceholderNumber(const QString& shown) {
    QString rest = shown;
    rest.remove(kXalUrlPrefix).remove(u'%');
    int number = 0;
    for (qsizetype i = 0; i < rest.size() && rest[i].isDigit() && number < 100000000; ++i)
        number = number * 10 + rest[i].digitValue();
    return number;
}

bool HoldsFlexibleVariable(const QString& shown) {
    return shown.contains(kXalUrlPrefix) && !HoldsLogonVariable(shown);
}

int ProtocolOfService(unsigned service, int fallback) {
    if (service == kServiceHttps)
        return kProtocolHttps;
    if (service == kServiceHttp)
        return kProtocolHttp;
    return fallback;
}

} // namespace

QString CDialEditURL::Title() const {
    return XalString(m_nAdd > 0 ? 153 : 154);
}

void CDialEditURL::Open() {
    m_rows.clear();
    m_lstReleased.clear();
    if (!m_lstURLs.m_lstURLs.empty()) {
        for (const CURLParamObj& param : m_lstURLs.m_lstURLs.front().m_lstParams) {
            m_rows.push_back({param.m_strName, param.m_strValue, param.m_nMethod,
                              CDialEditURLParams::KindFromFlags(param.m_nSpecialVariable),
                              param.m_strOrgValue, param.m_strRawValue});
        }
    }
    m_nSelected = m_rows.empty() ? -1 : 0;
}

QString CDialEditURL::CompleteURL() const {
    return BuildURL(false);
}

QString CDialEditURL::BuildURL(bool bEntered) const {
    QString url = CAdmTools::HasProtocol(m_strServer)
                      ? m_strServer
                      : CAdmTools::GetProtocolPrefix(m_strServer, m_nProtocol);
    url += m_strAddress;
    bool first = true;
    for (const CURLParamRow& row : m_rows) {
        if (row.nMethodMark == 1)
            continue; // travels in the POST body
        url += first ? u'?' : u'&';
        first = false;
        const QString& value =
            bEntered && !row.strEntered.isEmpty() ? row.strEntered : row.strShown;
        url += CAdmTools::URLEncode(row.strName) + u'=' + value;
    }
    return url;
}

int CDialEditURL::NextFlexibleNumberFromRows() const {
    int next = -1;
    for (const CURLParamRow& row : m_rows)
        if (HoldsFlexibleVariable(row.strShown))
            next = std::max(next, PlaceholderNumber(row.strShown) + 1);
    return next;
}

bool CDialEditURL::CheckURL(const QString& url) {
    if (CAdmTools::IsValidURL(url))
        return true;
    m_messages.Inform(XalFormat(157, url), MsgIcon::Warning);
    return false;
}

void CDialEditURL::ChangeMethod(int method) {
    m_nMethod = method;
    for (CURLParamRow& row : m_rows)
        row.nMethodMark = method;
}

void CDialEditURL::Select(int row) {
    m_nSelected = row >= 0 && row < int(m_rows.size()) ? row : -1;
}

void CDialEditURL::Release(const QString& shownValue) {
    if (!HoldsFlexibleVariable(shownValue))
        return; // logon variables have no number to give back
    const QString placeholder = CAdmTools::ExtractSpecialVariable(shownValue);
    if (FlexibleParameterNumber(placeholder) < 0 || m_lstReleased.contains(placeholder))
        return;
    m_lstReleased.append(placeholder);
}

bool CDialEditURL::AddParameter() {
    CDialEditURLParams params(m_messages);
    params.m_bAdd = true;
    params.m_bKindLocked = m_bKindLocked;
    params.m_nNextFlexibleNumber = m_nNextFlexibleNumber;
    params.m_nMethodMark = m_nMethod;
    if (!m_dialogs.EditURLParams(params))
        return false;
    m_rows.push_back({params.m_strName, params.m_strNonEncodedValue,
                      params.m_bSendInURL ? 2 : m_nMethod, params.m_nKind, params.m_strValue,
                      params.m_strValue});
    m_nSelected = int(m_rows.size()) - 1;
    return true;
}

bool CDialEditURL::EditParameter() {
    if (m_nSelected < 0)
        return false;
    CURLParamRow& row = m_rows[size_t(m_nSelected)];
    CDialEditURLParams params(m_messages);
    params.m_bAdd = false;
    params.m_bKindLocked = m_bKindLocked;
    params.m_strName = row.strName;
    params.m_nKind = row.nKind;
    params.m_strValue = row.strEntered;
    params.m_strNonEncodedValue = row.strShown;
    params.m_strPredefinedValue = row.strOrgValue;
    params.m_nNextFlexibleNumber = m_nNextFlexibleNumber;
    params.m_nMethodMark = row.nMethodMark;
    if (!m_dialogs.EditURLParams(params))
        return false;
    const QString oldShown = row.strShown;
    row.strName = params.m_strName;
    row.strShown = params.m_strNonEncodedValue;
    row.nKind = params.m_nKind;
    row.strEntered = params.m_strValue;
    if (row.nKind == 0)
        row.strOrgValue = params.m_strValue; // a predefined value is its own original
    row.nMethodMark = params.m_bSendInURL ? 2 : m_nMethod;
    const QString oldPlaceholder = CAdmTools::ExtractSpecialVariable(oldShown);
    if (!oldPlaceholder.isEmpty() && !row.strShown.contains(oldPlaceholder))
        Release(oldShown);
    return true;
}

void CDialEditURL::DeleteParameter() {
    if (m_nSelected < 0)
        return;
    Release(m_rows[size_t(m_nSelected)].strShown);
    m_rows.erase(m_rows.begin() + m_nSelected);
    m_nSelected = std::min(m_nSelected, int(m_rows.size()) - 1);
}

void CDialEditURL::DeleteAllParameters() {
    while (!m_rows.empty()) {
        m_nSelected = 0;
        DeleteParameter();
    }
    m_nSelected = -1;
}

void CDialEditURL::MoveUp() {
    if (!IsUpEnabled())
        return;
    std::swap(m_rows[size_t(m_nSelected)], m_rows[size_t(m_nSelected - 1)]);
    --m_nSelected;
}

void CDialEditURL::MoveDown() {
    if (!IsDownEnabled())
        return;
    std::swap(m_rows[size_t(m_nSelected)], m_rows[size_t(m_nSelected + 1)]);
    ++m_nSelected;
}

CPastedURL CheckPastedURL(const QString& clipboardText) {
    CPastedURL pasted;
    // Each UTF-8 byte one character, so that the encoding of a row is that of UTF-8 bytes.
    pasted.strText = CAdmTools::WideToUTF8Chars(clipboardText.trimmed());
    CAdmTools::EnsureProtocol(pasted.strText);
    if (CAdmTools::GetSpecialVariableKind(pasted.strText, pasted.strKind)) {
        pasted.status = CPastedURL::Status::InternalVariable;
        return pasted;
    }
    if (!CAdmTools::IsValidURL(pasted.strText)) {
        pasted.status = CPastedURL::Status::BadSyntax;
        return pasted;
    }
    XalParsedURL parsed;
    parsed.port = 80;
    if (!XalParseURL(pasted.strText, parsed))
        return pasted;
    pasted.bParsed = true;
    pasted.nProtocol = CAdmTools::GetProtocolIndex(pasted.strText);
    pasted.strServer = parsed.server + CAdmTools::GetPortSuffix(parsed.port);
    const qsizetype schemeEnd = pasted.strText.indexOf(QStringLiteral("://"));
    pasted.bHasAddress = pasted.strText.mid(schemeEnd + 3).contains(u'/');
    if (!pasted.bHasAddress)
        return pasted;
    pasted.strObject = parsed.object;
    const qsizetype question = parsed.object.indexOf(u'?');
    pasted.strAddress = parsed.object.left(question);
    if (question >= 0)
        CAdmTools::ParseParameters(pasted.pairs, parsed.object.mid(question + 1), 0);
    return pasted;
}

bool CDialEditURL::PasteURL() {
    if (m_bServerLocked)
        return false;
    const std::optional<QString> clipboard = m_shell.ClipboardText();
    if (!clipboard)
        return false;
    const CPastedURL pasted = CheckPastedURL(*clipboard);
    switch (pasted.status) {
    case CPastedURL::Status::InternalVariable:
        m_messages.Inform(XalFormat(55, pasted.strKind, pasted.strText), MsgIcon::Warning);
        return false;
    case CPastedURL::Status::BadSyntax:
        m_messages.Inform(XalFormat(157, pasted.strText), MsgIcon::Warning);
        return false;
    case CPastedURL::Status::Ok:
        break;
    }
    ApplyPastedURL(pasted);
    return true;
}

void CDialEditURL::ApplyPastedURL(const CPastedURL& pasted) {
    m_strServer = pasted.strText;
    const auto dropRows = [this] {
        for (const CURLParamRow& row : m_rows)
            Release(row.strShown);
        m_rows.clear();
        m_nSelected = -1;
    };
    if (!pasted.bParsed) {
        m_strAddress.clear();
        dropRows();
        return;
    }
    m_nProtocol = pasted.nProtocol;
    m_strServer = pasted.strServer;
    if (!pasted.bHasAddress) {
        // A bare server: keeping the old address and rows would make another URL.
        m_strAddress.clear();
        dropRows();
        return;
    }
    if (m_strAddress == pasted.strObject)
        return;
    m_strAddress = pasted.strAddress;
    // Rows compare by the value as entered: the shown value is decoded and would differ.
    const bool same =
        std::equal(pasted.pairs.begin(), pasted.pairs.end(), m_rows.begin(), m_rows.end(),
                   [](const CURLParamObj& pair, const CURLParamRow& row) {
                       return pair.m_strName == row.strName && pair.m_strValue == row.strEntered;
                   });
    if (same)
        return;
    dropRows();
    for (const CURLParamObj& pair : pasted.pairs) {
        m_rows.push_back({pair.m_strName, CAdmTools::URLDecodeRepeated(pair.m_strValue, 10), 0,
                          CDialEditURLParams::KindFromFlags(pair.m_nSpecialVariable),
                          pair.m_strValue, pair.m_strValue});
    }
    m_nSelected = m_rows.empty() ? -1 : 0;
}

bool CDialEditURL::CopyURL() {
    const QString url = CompleteURL();
    if (!CheckURL(url))
        return false;
    return m_shell.SetClipboardText(url);
}

bool CDialEditURL::OpenInBrowser() {
    const QString url = CompleteURL();
    if (!CheckURL(url))
        return false;
    return m_shell.OpenInBrowser(url);
}

QString CDialEditURL::URLToCheck() const {
    // The rows as they travel: a shown value is decoded, and a blank or "&" in it would make
    // a valid parameter look like broken URL syntax.
    return BuildURL(true);
}

bool CDialEditURL::OnOK() {
    m_focus = Field::None;
    if (!CheckURL(URLToCheck())) {
        m_focus = Field::Server;
        return false;
    }
    QString server = m_strServer;
    if (!CAdmTools::HasProtocol(server))
        server = CAdmTools::GetProtocolPrefix(server, m_nProtocol);
    XalParsedURL parsed;
    parsed.port = 80;
    if (!XalParseURL(server, parsed)) {
        m_messages.Inform(XalString(139), MsgIcon::Warning);
        m_focus = Field::Address;
        return false;
    }
    m_nProtocol = ProtocolOfService(parsed.service, m_nProtocol);
    m_strServer = parsed.server + CAdmTools::GetPortSuffix(parsed.port);
    m_strAddress = m_strAddress.left(m_strAddress.indexOf(u'?'));

    CURLObj url;
    url.m_strServer = m_strServer;
    url.m_strURL = m_strAddress;
    url.m_nMethod = m_nMethod;
    url.m_nInternetProtocol = m_nProtocol;
    for (const CURLParamRow& row : m_rows) {
        CURLParamObj param;
        param.m_strName = row.strName;
        param.m_strValue = row.strShown;
        param.m_strOrgValue = row.strOrgValue;
        param.m_strRawValue = row.strEntered;
        param.m_nMethod = row.nMethodMark;
        param.m_nSpecialVariable = CDialEditURLParams::FlagsFromKind(row.nKind);
        url.m_lstParams.push_back(std::move(param));
    }
    m_lstURLs.m_lstURLs.clear();
    m_lstURLs.m_lstURLs.push_back(std::move(url));

    // Other URLs of the e-script may hold higher numbers than these rows: the counter the
    // caller passed in never goes down here (releases are the caller's, see m_lstReleased).
    const int fromRows = NextFlexibleNumberFromRows();
    m_nNextFlexibleNumber = fromRows < 0 ? -1 : std::max(fromRows, m_nNextFlexibleNumber);
    return true;
}
