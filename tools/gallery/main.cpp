// The gallery: the view layer's sample screens in a real window, for people working on the layer.
//   gallery [--tablet] [--sample | --controls]
// It shows a table of a few hundred rows, with --sample the drawing sample screen, with --controls
// the controls and text inputs.
// Headless, run it with "-platform vnc" and look with a VNC viewer.
#include "platform/ui/StartUp.h"
#include "platform/ui/host/WindowHost.h"
#include "tools/gallery/SampleControls.h"
#include "tools/gallery/SampleScreen.h"
#include "tools/gallery/SampleTable.h"

#include <QtWidgets/QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::startUpUi();
    const QStringList arguments = QCoreApplication::arguments();
    const bool tablet = arguments.contains(QStringLiteral("--tablet"));
    auto window = platform::Window::make(tablet ? platform::DeviceProfile::tablet()
                                                : platform::DeviceProfile::phone());
    const QSizeF size = window->profile().size;
    const gallery::SampleScreen screen = gallery::SampleScreen::make(size);
    const gallery::SampleTable table = gallery::SampleTable::make(size);
    // The rows start below the status bar and scroll under it.
    table.table->setContentInset({window->profile().statusBarHeight, 0, 0, 0});
    table.table->setContentOffset({0, -window->profile().statusBarHeight});
    const gallery::SampleControls controls = gallery::SampleControls::make(size);
    if (arguments.contains(QStringLiteral("--sample"))) {
        window->setRootView(screen.root);
    } else if (arguments.contains(QStringLiteral("--controls"))) {
        window->setRootView(controls.root);
    } else {
        window->setRootView(table.table);
    }
    platform::WindowHost host(window);
    host.setWindowTitle(QStringLiteral("View layer gallery"));
    host.show();
    return QApplication::exec();
}
