#pragma once

// Who asked the previewer for a confirmation: told which of its buttons the user chose.
class ZVImagePreviewerDelegate {
public:
    virtual ~ZVImagePreviewerDelegate() = default;
    virtual void sendPressed() = 0;
    virtual void cancelPressed() = 0;
};
