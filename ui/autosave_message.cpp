#include "ui/autosave_message.h"

#include <string>

void showAutosaveFailures(World& w, RunOutputs& outputs)
{
    outputs.reportAutosaveFailures([&w](const std::string& why) {
        showMessage(w.driver.message, why + "\nautosave failed", 5.0);
    });
}
