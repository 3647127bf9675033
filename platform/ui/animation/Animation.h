#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/animation/AnimatableValue.h"

#include <QtCore/QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

class Layer;

// Something that moves a layer's property over time, stepped by the animation driver on the
// scheduler's clock. Attached to a layer under a key; a new animation under the same key replaces
// it, and the replaced one finishes unfinished.
class Animation : public std::enable_shared_from_this<Animation> {
public:
    virtual ~Animation() = default;

    // The value to show for the key at `now`; nothing when the layer's own value shows.
    virtual std::optional<AnimatableValue> presentationAt(TimeInterval now) const;
    // Moves the animation to `now`; true once it is over.
    virtual bool step(TimeInterval now) = 0;
    // When it ends, for the order of completions that fall in one frame.
    virtual TimeInterval endTime() const = 0;

    // Runs once, when the animation ends (true) or is removed or replaced first (false).
    void setCompletion(std::function<void(bool finished)> completion);
    // An animation made without "allow user interaction" keeps touches off its view while it runs.
    bool blocksInteraction() const { return blocksInteraction_; }
    void setBlocksInteraction(bool blocks) { blocksInteraction_ = blocks; }

    const QString& key() const { return key_; }
    Layer* layer() const { return layer_; }
    bool isFinished() const { return done_; }
    // Order of creation, which breaks ties between animations that end together.
    std::uint64_t sequence() const { return sequence_; }

protected:
    Animation();

private:
    friend class Layer;
    friend class AnimationDriver;
    void attach(Layer* layer, const QString& key);
    void finish(bool finished);

    QString key_;
    Layer* layer_ = nullptr;
    std::function<void(bool)> completion_;
    bool blocksInteraction_ = false;
    bool done_ = false;
    std::uint64_t sequence_ = 0;
};

}  // namespace platform
