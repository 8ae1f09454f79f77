#include "support/ScriptedProgress.h"

void ScriptedProgress::step()
{
    ++m_steps;
    if (m_onStep)
        m_onStep(m_steps);
    if (m_abortAtStep > 0 && m_steps >= m_abortAtStep)
        m_abort = true;
}

void ScriptedProgress::clearAbort()
{
    ++m_clearCalls;
    m_abort = false;
}
