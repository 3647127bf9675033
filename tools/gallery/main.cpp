// The gallery: the view layer's sample screens in a real window, for people working on the layer.
//   gallery [--tablet]
// Headless, run it with "-platform vnc" and look with a VNC viewer.
#include "platform/ui/StartUp.h"
#include "platform/ui/host/WindowHost.h"
#include "tools/gallery/SampleScreen.h"

#include <QtWidgets/QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::startUpUi();
    const bool tablet = QCoreApplication::arguments().contains(QStringLiteral("--tablet"));
    auto window = platform::Window::make(tablet ? platform::DeviceProfile::tablet()
                                                : platform::DeviceProfile::phone());
    const gallery::SampleScreen screen = gallery::SampleScreen::make(window->profile().size);
    window->setRootView(screen.root);
    platform::WindowHost host(window);
    host.setWindowTitle(QStringLiteral("View layer gallery"));
    host.show();
    return QApplication::exec();
}
