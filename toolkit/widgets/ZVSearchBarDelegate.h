#pragma once

#include <QtCore/QString>

namespace platform {
class View;
}

// What a search bar tells its owner, as the platform's own search bar does, so that screens can
// serve either. `searchBar` is the bar the owner may look at; every operation is optional.
class ZVSearchBarDelegate {
public:
    virtual ~ZVSearchBarDelegate() = default;
    virtual void searchBarTextDidBeginEditing(platform::View& /*searchBar*/) {}
    virtual void searchBarTextDidEndEditing(platform::View& /*searchBar*/) {}
    virtual void searchBarTextDidChange(platform::View& /*searchBar*/, const QString& /*text*/) {}
    virtual void searchBarSearchButtonClicked(platform::View& /*searchBar*/) {}
    virtual void searchBarCancelButtonClicked(platform::View& /*searchBar*/) {}
};
