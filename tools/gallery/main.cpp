// The gallery: the view layer's sample screens in a real window, for people working on the layer.
//   gallery [--tablet] [--sample | --controls | --alerts]
// It shows a navigation stack over a table of a few hundred rows (a picked row pushes a screen),
// with --sample the drawing sample screen, with --controls the controls and text inputs, with
// --alerts rows that show alert cards (tap) and an action menu (long press).
// Headless, run it with "-platform vnc" and look with a VNC viewer.
#include "platform/ui/StartUp.h"
#include "platform/ui/host/WindowHost.h"
#include "toolkit/StartUp.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "tools/gallery/AlertsSample.h"
#include "tools/gallery/GalleryScreens.h"
#include "tools/gallery/SampleControls.h"
#include "tools/gallery/SampleScreen.h"

#include <QtWidgets/QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::startUpUi();
    ZVStartUpToolkit();
    const QStringList arguments = QCoreApplication::arguments();
    const bool tablet = arguments.contains(QStringLiteral("--tablet"));
    auto window = platform::Window::make(tablet ? platform::DeviceProfile::tablet()
                                                : platform::DeviceProfile::phone());
    const QSizeF size = window->profile().size;
    const gallery::SampleScreen screen = gallery::SampleScreen::make(size);
    const auto stack = gallery::makeGalleryStack();
    const gallery::SampleControls controls = gallery::SampleControls::make(size);
    const auto alerts = gallery::AlertsSample::make(size);
    ZVAlertViewManager::alertViewManager().setKeyWindow(window);
    if (arguments.contains(QStringLiteral("--sample"))) {
        window->setRootView(screen.root);
    } else if (arguments.contains(QStringLiteral("--controls"))) {
        window->setRootView(controls.root);
    } else if (arguments.contains(QStringLiteral("--alerts"))) {
        alerts->table->setContentInset({window->profile().statusBarHeight, 0, 0, 0});
        window->setRootView(alerts->table);
    } else {
        window->setRootViewController(stack);
    }
    platform::WindowHost host(window);
    host.setWindowTitle(QStringLiteral("View layer gallery"));
    host.show();
    return QApplication::exec();
}
