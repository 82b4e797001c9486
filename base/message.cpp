#include "base/message.h"

#include "base/clock.h"

void showMessage(Message& m, const std::string& text, double seconds)
{
    m.visible = true;
    m.start = nowMs();
    m.duration = seconds * 1000;
    m.text = text;
}
