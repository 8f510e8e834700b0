#pragma once
// How views (and the URL dialog itself) open the editing dialogs: the caller sets the logic
// object's inputs; each function opens it (Open(), where the dialog has one), shows it and
// returns true on OK, when the object holds the results. The program shows the Qt forms
// (qteditdialogs.h); tests script it.

#include <deque>
#include <functional>

class CDialEditURL;
class CDialEditURLParams;
class CDialURLParamsFlex;
class CDialURLParameter;
class CDialNewSubscript;
class CDialFlexCondURL;

class IEditDialogs {
public:
    virtual ~IEditDialogs() = default;
    virtual bool EditURL(CDialEditURL& dialog) = 0;
    virtual bool EditURLParams(CDialEditURLParams& dialog) = 0;
    virtual bool URLParamsFlex(CDialURLParamsFlex& dialog) = 0;
    virtual bool URLParameter(CDialURLParameter& dialog) = 0;
    virtual bool NewSubscript(CDialNewSubscript& dialog) = 0;
    virtual bool FlexCondURL(CDialFlexCondURL& dialog) = 0;
};

// Each dialog is opened and runs the next queued step: the step acts as the user would and
// returns whether OK was pressed (it should call OnOK itself, as the form does). With no step
// queued the dialog is cancelled. Counts how often each dialog was shown.
class CScriptedEditDialogs final : public IEditDialogs {
public:
    template <class Dialog> using Step = std::function<bool(Dialog&)>;

    // Defined where every dialog type is complete (editdialogs.cpp): whether a dialog has an
    // Open() to run must not depend on what the including file happens to know.
    bool EditURL(CDialEditURL& dialog) override;
    bool EditURLParams(CDialEditURLParams& dialog) override;
    bool URLParamsFlex(CDialURLParamsFlex& dialog) override;
    bool URLParameter(CDialURLParameter& dialog) override;
    bool NewSubscript(CDialNewSubscript& dialog) override;
    bool FlexCondURL(CDialFlexCondURL& dialog) override;

    std::deque<Step<CDialEditURL>> m_editURL;
    std::deque<Step<CDialEditURLParams>> m_params;
    std::deque<Step<CDialURLParamsFlex>> m_flex;
    std::deque<Step<CDialURLParameter>> m_section;
    std::deque<Step<CDialNewSubscript>> m_newSub;
    std::deque<Step<CDialFlexCondURL>> m_flexCond;
    int m_nShown = 0;
};
