#include "globalmousehook.h"

#include "loginfo.h"

GlobalMouseHook* GlobalMouseHook::instance()
{
    static GlobalMouseHook* hook = new GlobalMouseHook;  // lives as long as the process
    return hook;
}

bool GlobalMouseHook::installHooks()
{
    // No backend on this build yet: nothing is hooked, and nothing needs removing.
    loginfo(QStringLiteral("installHooks: no hook backend on this platform"));
    m_installed = false;
    return false;
}

void GlobalMouseHook::removeHooks() { m_installed = false; }
