#include "ui/requests.h"

namespace {

// Seconds a button's message stays: until the request's own message, at the
// next frame, replaces it.
constexpr double kUntilReplaced = 10000.0;

} // namespace

void requestInitialize(World& w)
{
    showMessage(w.driver.message, "Initialized", kUntilReplaced);
    w.driver.requestQueue.push_back(Request{Request::Initialize, -1});
}

void requestSaveAll(World& w, int folder)
{
    showMessage(w.driver.message, "Saved" + std::to_string(folder), kUntilReplaced);
    w.driver.requestQueue.push_back(Request{Request::SaveAll, folder});
}

void requestLoadAll(World& w, int folder)
{
    showMessage(w.driver.message, "Loaded" + std::to_string(folder), kUntilReplaced);
    w.driver.requestQueue.push_back(Request{Request::LoadAll, folder});
}

void requestSaveCreature(World& w, int folder)
{
    w.driver.requestQueue.push_back(Request{Request::SaveCreature, folder});
}

void requestLoadCreature(World& w, int folder)
{
    w.driver.requestQueue.push_back(Request{Request::LoadCreature, folder});
}
