#pragma once

#include "platform/media/PhotoLibrary.h"
#include "platform/ui/standins/FakeImagePicker.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QString>

#include <gtest/gtest.h>

#include <memory>

namespace mediatest {

// Folders of the test's own stand in for the device's photo library and camera, and the fake
// image picker for the system's.
inline void useFakeMedia(const QString& library, const QString& camera) {
    platform::PhotoLibrary::shared().setDirectory(library);
    platform::ImagePicker::setCameraDirectory(camera);
    platform::ImagePicker::setFactory([] { return std::make_shared<platform::FakeImagePicker>(); });
}

inline void dropFakeMedia() {
    platform::ImagePicker::setFactory({});
    platform::ImagePicker::setCameraDirectory(QString());
    platform::PhotoLibrary::shared().setDirectory(QString());
}

// Writes `bytes` as `name` into `folder`, made where missing.
inline void writeMediaFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace mediatest
