#include "app/query_template.h"

#include "builtin_bank.h"

void query_template::loadQueryScript()
{
    if (m_services.loadScript) {
        m_services.loadScript(state.scriptLines);
        state.scriptLineIndex = 0;
        return;
    }
    // Slots 1 and 2 hold empty lines and slot 3 is passed over; the bank starts at slot 4.
    state.scriptLineIndex = 3;
    for (const char *line : builtInBankLines) {
        ++state.scriptLineIndex;
        Q_ASSERT(state.scriptLineIndex <= lastScriptSlot);
        state.scriptLines[state.scriptLineIndex] = QString::fromLatin1(line);
    }
    state.scriptLineIndex = 0;
}
