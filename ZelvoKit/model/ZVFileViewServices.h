#pragma once

#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <memory>

class File;

// What the data model asks of the file views, which live above it: they fill these at start-up.
// Until they do (a program without screens), there is no preview cache to fill and the calls do
// nothing. Main thread only.
class ZVFileViewServices {
public:
    using PreloadPreview = std::function<void(const std::shared_ptr<File>& file)>;
    using AssociateLocalUrl = std::function<void(const QString& localUrl, const QString& sha256)>;
    // The file picker's menu; what it is belongs to the screens, which show it.
    using FilePickerMenu = std::shared_ptr<void>;
    using MenuOnFilePicked = std::function<FilePickerMenu(
        std::function<void(const QUrl& localUrl)> onPicked, bool preferFrontCamera)>;

    ZVFileViewServices() = delete;

    // Loads the file's preview into the views' cache ahead of showing it.
    static void preloadPreviewForFile(const std::shared_ptr<File>& file);
    static void setPreloadPreview(PreloadPreview preload);

    // Puts a just-picked local file into the small-preview cache under its hash, so that it shows
    // before its upload ends.
    static void associateLocalUrl(const QString& localUrl, const QString& sha256);
    static void setAssociateLocalUrl(AssociateLocalUrl associate);

    // A menu whose options ("Take photo", "Use last photo taken", "Choose from library") call
    // `onPicked` with the picked file's local URL; none without a picker.
    static FilePickerMenu menuOnFilePicked(std::function<void(const QUrl& localUrl)> onPicked,
                                           bool preferFrontCamera);
    static void setMenuOnFilePicked(MenuOnFilePicked menu);

    // Forgets what was installed (tests).
    static void reset();
};
