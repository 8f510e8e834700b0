#include "editdialogs.h"

#include "dialediturl.h"
#include "dialediturlparams.h"
#include "dialflexcondurl.h"
#include "dialnewsubscript.h"
#include "dialurlparameter.h"
#include "dialurlparamsflex.h"

namespace {
template <class Dialog>
bool RunStep(std::deque<CScriptedEditDialogs::Step<Dialog>>& steps, Dialog& dialog, int& shown) {
    ++shown;
    if constexpr (requires { dialog.Open(); })
        dialog.Open();
    if (steps.empty())
        return false;
    const CScriptedEditDialogs::Step<Dialog> step = std::move(steps.front());
    steps.pop_front();
    return step(dialog);
}
} // namespace

// Every dialog type is complete here, so the check for Open() sees the real class.
static_assert(requires(CDialEditURL & d) { d.Open(); });
static_assert(requires(CDialURLParameter & d) { d.Open(); });

bool CScriptedEditDialogs::EditURL(CDialEditURL& dialog) {
    return RunStep(m_editURL, dialog, m_nShown);
}
bool CScriptedEditDialogs::EditURLParams(CDialEditURLParams& dialog) {
    return RunStep(m_params, dialog, m_nShown);
}
bool CScriptedEditDialogs::URLParamsFlex(CDialURLParamsFlex& dialog) {
    return RunStep(m_flex, dialog, m_nShown);
}
bool CScriptedEditDialogs::URLParameter(CDialURLParameter& dialog) {
    return RunStep(m_section, dialog, m_nShown);
}
bool CScriptedEditDialogs::NewSubscript(CDialNewSubscript& dialog) {
    return RunStep(m_newSub, dialog, m_nShown);
}
bool CScriptedEditDialogs::FlexCondURL(CDialFlexCondURL& dialog) {
    return RunStep(m_flexCond, dialog, m_nShown);
}
