#include "support/ode_fixture.h"

#include <ode/ode.h>

#include <cstdarg>
#include <cstdio>

namespace {

int reports = 0;

void report(const char* kind, int num, const char* msg, va_list ap)
{
    char text[512];
    std::vsnprintf(text, sizeof text, msg, ap);
    ++reports;
    ADD_FAILURE() << "ODE " << kind << " " << num << ": " << text;
}

void onError(int num, const char* msg, va_list ap)
{
    report("error", num, msg, ap);
}
void onDebug(int num, const char* msg, va_list ap)
{
    report("debug", num, msg, ap);
}
void onMessage(int num, const char* msg, va_list ap)
{
    report("message", num, msg, ap);
}

class OdeReportsFail : public ::testing::Environment {
public:
    void SetUp() override
    {
        dSetErrorHandler(onError);
        dSetDebugHandler(onDebug);
        dSetMessageHandler(onMessage);
    }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new OdeReportsFail);

} // namespace

int odeReportCount()
{
    return reports;
}
