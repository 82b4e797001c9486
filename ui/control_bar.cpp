#include "ui/control_bar.h"

void keyCommand(World& w, int key)
{
    if (key == 'X' || key == 'x')
        w.skipRender = w.skipRender ? 0 : 1;
}

void windowSizeCallback(World& w, int width, int height)
{
    w.windowWidth = width;
    w.windowHeight = height;
}
