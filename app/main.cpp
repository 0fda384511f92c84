#include "assets/form.h"
#include "platform/toolkit/toolkit.h"

namespace {

void onStart() {}
void onShutdown() {}

} // namespace

int main()
{
    toolkit::initialise(gameForm);
    onStart();
    toolkit::registerShutdownHook(onShutdown);
    toolkit::loadFirstWindow(窗口);
    toolkit::runEventLoop();
    toolkit::shutdown();
    return 0;
}
