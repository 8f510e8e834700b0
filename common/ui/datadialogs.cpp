#include "datadialogs.h"

namespace {
template <class Data, class Step, class Accept, class Field>
bool RunScripted(std::deque<Step>& steps, Data& data, const Accept& accept,
                 std::vector<Field>& refused) {
    while (!steps.empty()) {
        const Step step = std::move(steps.front());
        steps.pop_front();
        if (!step(data))
            return false;
        Field field = Field::None;
        if (accept(data, field))
            return true;
        refused.push_back(field);
    }
    return false;
}
} // namespace

bool CScriptedDialogs::EScriptProps(CEScriptPropsData& data, const EScriptPropsAccept& accept) {
    m_shown.push_back(QStringLiteral("props"));
    return RunScripted(m_props, data, accept, m_refusedProps);
}

bool CScriptedDialogs::EScriptNew(CEScriptNewData& data, const EScriptNewAccept& accept) {
    m_shown.push_back(QStringLiteral("new"));
    return RunScripted(m_new, data, accept, m_refusedNew);
}

void CScriptedDialogs::Information(const CInformationData& info) {
    m_shown.push_back(QStringLiteral("information"));
    m_information.push_back(info);
}
