#include "base/message.h"

void showMessage(Message& m, const std::string& text, double seconds)
{
    m.visible = true;
    m.start = -1.0;
    m.duration = seconds * 1000;
    m.text = text;
}
