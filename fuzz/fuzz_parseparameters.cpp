// Parameter parsing and URL tokenizing on any text: no crash, and every parameter found is a
// piece of the input with its name free of "&" and "=".

#include "admtools.h"
#include "fuzzinput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = FuzzText(data, size);
    const qsizetype split = text.indexOf(u'\n');
    const QString query = split < 0 ? text : text.left(split);
    const QString post = split < 0 ? QString() : text.mid(split + 1);

    std::vector<CURLParamObj> params;
    CAdmTools::ParseParameters(params, query, size % 3 == 0 ? 0 : int(size % 3), post);
    for (const CURLParamObj& p : params) {
        if (p.m_strName.contains(u'&') || p.m_strName.contains(u'=') || p.m_strValue.contains(u'&'))
            std::abort();
        if (!query.contains(p.m_strName + u'=' + p.m_strValue) &&
            !post.contains(p.m_strName + u'=' + p.m_strValue))
            std::abort();
    }

    // Tokenizing output grows with the square of the pieces; keep the path short.
    std::vector<CURLTokenObj> tokens;
    CAdmTools::TokenizeURL(QStringLiteral("R"), post.left(64), query.left(512),
                           QStringLiteral("/-"), tokens);
    for (const CURLTokenObj& t : tokens)
        if (t.m_strToken.isEmpty() || t.m_strToken.contains(u'/') || t.m_strToken.contains(u'-'))
            std::abort();
    QString kind;
    (void)CAdmTools::GetSpecialVariableKind(text, kind);
    (void)CAdmTools::ExtractSpecialVariable(text);
    return 0;
}
