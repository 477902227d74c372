#include "hookdecision.h"

#include "hookmessages.h"
#include "pcactiontable.h"

MouseDecision decideMouseMessage(quint32 message, quint32 mouseData, const PcActionTable& table,
                                 const PcActionRunner& runner)
{
    MouseDecision decision;
    decision.button = hooks::buttonForMessage(message, mouseData);
    if (decision.button == 0)
        return decision;
    decision.swallow = table.handleButton(decision.button, runner);
    if (decision.swallow)
        decision.param = hooks::hookParameter(message, mouseData);
    return decision;
}
