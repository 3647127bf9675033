#pragma once

#include <QtCore/QString>

// Addresses that belong to the deployment of the service rather than to the code: where support
// requests and diagnostic logs go, and the application's page in the application store.
namespace ZVDeployment {

// An e-mail address: a session's conversationFromId() turns it into the one-to-one conversation.
QString supportEmail();
// An outside address the URL handler opens.
QString storeUrl();

}  // namespace ZVDeployment
