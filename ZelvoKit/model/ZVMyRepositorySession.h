#pragma once

#include "ZelvoKit/model/ZVRepositorySession.h"

// The application's repository session: the one ZVApi makes for each account of the program that
// has screens (ZVApi::setSessionClass(ZVMyRepositorySession::factory())). It preloads the preview
// of each file the stream brings, so that the file shows at once; during an account's first
// synchronisation only the files of each conversation's inbox message, which the inbox shows.
class ZVMyRepositorySession : public ZVRepositorySession {
public:
    using ZVRepositorySession::ZVRepositorySession;

    static Factory factory() { return ZVRepositorySession::factory<ZVMyRepositorySession>(); }

    void notifyFileChanged(const std::shared_ptr<File>& file) override;
};
