#pragma once

#include <QtCore/QRectF>
#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtCore/QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class View;
class ViewController;

// A failure the host reports: the sheet's, or an attachment's that could not be read.
struct ExtensionHostError {
    QString domain;
    int code = 0;
    QString description;
};

// One value of an exchange with an application extension, under its type identifier.
struct ExtensionAttachment {
    QString typeIdentifier;
    QVariantMap propertyList;
    // Set when the value could not be loaded.
    std::optional<ExtensionHostError> loadError;
};

// What is handed to an extension and what it hands back.
struct ExtensionItem {
    std::vector<ExtensionAttachment> attachments;
};

// Where a tablet's sheet points: a rectangle of a view; no view anchors nothing.
struct ExtensionAnchor {
    View* sourceView = nullptr;
    QRectF sourceRect;
};

// The system's way to other applications' extensions: it presents an item to the extensions that
// take its type identifier and reports what the chosen one answered. A desktop has none, so none
// is registered unless a host (or a test) installs one; callers treat a missing host as the
// extension mechanism being unavailable.
class ExtensionHost {
public:
    // The answered items, or an error, or neither when the user dismissed the sheet. May arrive on
    // any thread.
    using Completion = std::function<void(std::vector<ExtensionItem> returnedItems,
                                          std::optional<ExtensionHostError> error)>;

    virtual ~ExtensionHost() = default;

    // The registered host; null when there is none.
    static std::shared_ptr<ExtensionHost> shared();
    static void setShared(std::shared_ptr<ExtensionHost> host);

    // Presents the sheet for `item`, offered under `typeIdentifier`, from `presenter`. The
    // completion runs once.
    virtual void present(const ExtensionItem& item, const QString& typeIdentifier,
                         ViewController* presenter, const ExtensionAnchor& anchor,
                         Completion completion) = 0;
    // Whether some installed extension registered the URL's scheme.
    virtual bool canOpenURL(const QUrl& url) const = 0;
};

}  // namespace platform
