#include "accounts/settings/ZVAccountProfileViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/session/ZVContactChangeObserver.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "ZelvoKit/support/media/ZVURLRepresentation.h"
#include "accounts/people/ZVMyAvatarCell.h"
#include "accounts/signin/claim/ZVClaimIdViewController.h"
#include "files/pickers/ZVFilePicker.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QBuffer>
#include <QtCore/QSet>
#include <QtGui/QImage>
#include <QtGui/QImageReader>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kProfileAddressColor = u"darkGray"_s;
// The avatar goes up as a JPEG whatever the picked file was.
constexpr int kProfileAvatarQuality = 90;

std::shared_ptr<ZVLabelCell> profileAddressRow(const QString& address, const QString& kind) {
    auto row = std::make_shared<ZVLabelCell>();
    row->setLabelText(address);
    row->textLabel()->setTextColor(
        platform::resolveColor(ZVColorTable::colorWithName(kProfileAddressColor)));
    row->setDetailText(kind);
    return row;
}

std::shared_ptr<ZVTextFieldCell> profileField(const QString& text) {
    auto field = std::make_shared<ZVTextFieldCell>();
    field->textField()->setText(text);
    field->setBeginsGroup(true);
    field->setEndsGroup(true);
    return field;
}

}  // namespace

// The session's contact changes reach the screen while it is on screen.
class ZVAccountProfileViewController::ContactWatch : public ZVContactChangeObserver {
public:
    explicit ContactWatch(ZVAccountProfileViewController& screen) : screen_(&screen) {}
    void sessionContactsChanged(const std::shared_ptr<ZVApiSession>&,
                                const QSet<QString>& contactIds) override {
        if (screen_) {
            screen_->contactsChanged(contactIds);
        }
    }
    void forget() { screen_ = nullptr; }

private:
    ZVAccountProfileViewController* screen_;
};

ZVAccountProfileViewController::ZVAccountProfileViewController(
    const std::shared_ptr<ZVRepositorySession>& session)
    : session_(session), profile_(session->profile()) {
    setTitle(kTitle);
    setTrackingCategory(kTrackingCategory);
    const auto contact = localContact();

    avatar_ = std::make_shared<ZVMyAvatarCell>(contact);
    avatar_->setCanChange(true);
    avatar_->setOnAvatarTap([this](ZVMyAvatarCell&) { changeAvatar(); });
    addCell(avatar_);

    addHeader(u"Name"_s);
    name_ = profileField(contact->displayName());
    addCell(name_);

    addHeader(u"Username"_s);
    zelvoId_ = std::make_shared<ZVLabelCell>();
    zelvoId_->textLabel()->setTextColor(
        platform::resolveColor(ZVColorTable::colorWithName(kProfileAddressColor)));
    zelvoId_->setBeginsGroup(true);
    zelvoId_->setEndsGroup(true);
    addCell(zelvoId_);
    updateZelvoId();

    if (!contact->email().isEmpty()) {
        addHeader(u"Email addresses"_s);
        email_ = profileAddressRow(contact->email(), u"Primary"_s);
        email_->setBeginsGroup(true);
        email_->setEndsGroup(true);
        addCell(email_);
    }

    aliasCellIndex_ = count();
    updateAliases();

    addHeader(u"Phone"_s);
    phone_ = profileField(contact->phoneNr());
    phone_->textField()->setPlaceholder(u"Mobile phone"_s);
    addCell(phone_);

    addHeader(u"Privacy"_s);
    privacy_ = std::make_shared<ZVOptionCell>();
    privacy_->setTitle(kPrivacyTitle);
    privacy_->setChecked(!profile_->isFullPrivacy());
    privacy_->setBeginsGroup(true);
    privacy_->setEndsGroup(true);
    addCell(privacy_);

    contactWatch_ = std::make_shared<ContactWatch>(*this);
    observe();
}

ZVAccountProfileViewController::~ZVAccountProfileViewController() {
    contactWatch_->forget();
    if (const auto session = session_.lock()) {
        session->removeContactChangeObserver(contactWatch_);
    }
}

std::shared_ptr<Contact> ZVAccountProfileViewController::localContact() const {
    const auto session = session_.lock();
    return session ? session->localContact() : nullptr;
}

void ZVAccountProfileViewController::observe() {
    observations_.add(
        profile_->observe(QString(ZVUserProfile::IsFullPrivacyKey), [this](const QString&) {
            following_ = true;
            privacy_->setChecked(!profile_->isFullPrivacy());
            following_ = false;
        }));
    observations_.add(profile_->observe(QString(ZVUserProfile::AliasesKey), [this](const QString&) {
        updateAliases();
        tableView()->reloadData();
    }));
    observations_.add(profile_->observe(QString(ZVUserProfile::ZelvoIdKey),
                                        [this](const QString&) { updateZelvoId(); }));
    observations_.add(privacy_->observe(ZVOptionCell::kCheckedKey, [this](const QString&) {
        if (!following_) {
            profile_->setIsFullPrivacy(!privacy_->checked());
        }
    }));
    if (const auto contact = localContact()) {
        observations_.add(
            contact->observe(QStringList{u"display_name"_s, u"phone_nr"_s}, [this](const QString&) {
                refreshProps();
                avatar_->refresh();
            }));
    }
}

// --- rows ---

void ZVAccountProfileViewController::updateZelvoId() {
    const auto contact = localContact();
    const bool claimed = contact && !contact->zelvoAddress().isEmpty();
    zelvoId_->setLabelText(claimed ? contact->friendlyZelvoId() : kClaimText);
}

void ZVAccountProfileViewController::updateAliases() {
    for (qsizetype i = 0; i < aliases_.size(); ++i) {
        removeCellAtIndex(aliasCellIndex_);
    }
    aliases_ = profile_->aliases().value_or(QStringList());
    const auto& before = email_ ? email_ : zelvoId_;
    before->setEndsGroup(aliases_.isEmpty());
    const auto session = session_.lock();
    for (qsizetype i = 0; i < aliases_.size(); ++i) {
        const auto contact = session ? session->contactFromId(aliases_[i]) : nullptr;
        auto row = profileAddressRow(contact ? contact->email() : QString(), u"Alternate"_s);
        row->setEndsGroup(i == aliases_.size() - 1);
        insertCell(row, aliasCellIndex_ + static_cast<int>(i));
    }
}

void ZVAccountProfileViewController::refreshProps() {
    if (const auto contact = localContact()) {
        name_->textField()->setText(contact->displayName());
        phone_->textField()->setText(contact->phoneNr());
    }
}

void ZVAccountProfileViewController::contactsChanged(const QSet<QString>& contactIds) {
    if (!contactIds.contains(profile_->contactId())) {
        return;
    }
    avatar_->refresh();
    updateZelvoId();
}

// --- editing ---

void ZVAccountProfileViewController::commitEdit() {
    const auto session = session_.lock();
    const auto contact = localContact();
    if (session && contact) {
        const QString name = name_->textField()->text();
        if (name != contact->displayName()) {
            session->setMyDisplayName(name);
            contact->setName(name);
            avatar_->refresh();
            reportAction(u"Change name"_s, QString());
        }
        const QString phone = phone_->textField()->text();
        if (phone != contact->phoneNr()) {
            contact->setPhoneNr(phone);
            session->setMyPhoneNumber(phone);
            reportAction(u"Change phone number"_s, QString());
        }
    }
    ZVDialogCells::commitEdit();
}

void ZVAccountProfileViewController::cancelEdit() {
    refreshProps();
    ZVDialogCells::cancelEdit();
}

// --- the username ---

void ZVAccountProfileViewController::didSelectRow(int row) {
    ZVDialogCells::didSelectRow(row);
    const auto contact = localContact();
    if (cellForRow(row) != zelvoId_ || !contact || !contact->zelvoAddress().isEmpty()) {
        return;
    }
    timers_.after(kClaimDelay, [this] { claimZelvoId(); });
}

void ZVAccountProfileViewController::claimZelvoId() {
    platform::NavigationController* navigation = navigationController();
    const auto session = session_.lock();
    if (navigation && session) {
        navigation->pushViewController(ZVClaimIdViewController::create(session), true);
    }
}

// --- the avatar ---

void ZVAccountProfileViewController::changeAvatar() {
    const auto self = std::static_pointer_cast<ZVAccountProfileViewController>(weakSelf().lock());
    const std::weak_ptr<ZVAccountProfileViewController> weak = self;
    const auto menu = ZVFilePicker::menuOnFilePicked(
        [weak](const QUrl& url) {
            if (const auto screen = weak.lock()) {
                screen->avatarPicked(url);
            }
        },
        true);
    const auto contact = avatar_->contact();
    if (contact && !contact->smallAvatarURL().isEmpty()) {
        const std::weak_ptr<ZVAvatarView> avatarView = avatar_->avatar();
        menu->addOption(kDeleteOption, kDeleteTitle)->setAction([avatarView] {
            ZVAlertView::showConfirmationWithTitle(kDeleteConfirmTitle, kDeleteConfirmMessage,
                                                   kDeleteTitle, [avatarView] {
                                                       if (const auto view = avatarView.lock()) {
                                                           view->deleteAvatar();
                                                       }
                                                   });
        });
    }
    menu->setPointAtView(avatar_);
    avatarMenu_ = menu;
    menu->show();
}

void ZVAccountProfileViewController::avatarPicked(const QUrl& url) {
    const std::weak_ptr<ZVAccountProfileViewController> weak =
        std::static_pointer_cast<ZVAccountProfileViewController>(weakSelf().lock());
    ZVURLLoader::loader().representationForUrl(
        url,
        [weak](const std::shared_ptr<ZVURLRepresentation>& representation) {
            const auto screen = weak.lock();
            if (screen && representation->data()) {
                screen->avatarDataRead(*representation->data());
            }
        },
        nullptr);
}

void ZVAccountProfileViewController::avatarDataRead(const QByteArray& data) {
    const auto session = session_.lock();
    const auto& transfers = ZVApi::api().fileTransfers();
    if (!session || !transfers) {
        return;
    }
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    // The library hands films over too: only a picture can be the avatar.
    if (image.isNull()) {
        ZVAlertView::showMessage(kNotAPictureMessage, kNotAPictureTitle);
        return;
    }
    QByteArray jpeg = data;
    if (format != "jpeg") {
        jpeg.clear();
        QBuffer out(&jpeg);
        out.open(QIODevice::WriteOnly);
        image.save(&out, "JPEG", kProfileAvatarQuality);
    }
    const QUrl file = transfers->createUploadFileWithName(kAvatarFileName, session, jpeg);
    if (file.isEmpty()) {
        ZVLogError(u"ZVAccountProfileViewController: the avatar could not be written");
        return;
    }
    avatar_->avatar()->setContactAvatar(file);
}

// --- appearing ---

void ZVAccountProfileViewController::viewWillAppear(bool animated) {
    ZVDialogCells::viewWillAppear(animated);
    avatar_->refresh();
    if (const auto session = session_.lock()) {
        session->addContactChangeObserver(contactWatch_);
    }
}

void ZVAccountProfileViewController::viewWillDisappear(bool animated) {
    ZVDialogCells::viewWillDisappear(animated);
    if (const auto session = session_.lock()) {
        session->removeContactChangeObserver(contactWatch_);
    }
}
