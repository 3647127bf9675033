#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace platform;
using Appearance = ViewController::Appearance;

// Random presentations and dismissals from any screen of the chain, animated or not, some asked
// while another is still running or from inside a completion: every completion that was promised
// runs exactly once, and once things settle the chain is consistent and only its last screen shows.
TEST(PresentationSequences, CompletionsRunOnceAndTheChainStaysConsistent) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto window = Window::make();
        const auto root = ViewController::make();
        window->setRootViewController(root);
        std::vector<std::shared_ptr<ViewController>> pool;
        for (int i = 0; i < 5; ++i) {
            auto c = ViewController::make();
            c->setModalTransitionStyle(
                static_cast<ViewController::ModalTransitionStyle>(random() % 3));
            pool.push_back(c);
        }
        int promised = 0;
        int ran = 0;
        std::vector<int> runs;
        // One request from a random screen of the chain; its completion now and then makes
        // another request from inside (at most two deep).
        std::function<void(int)> act = [&](int depth) {
            std::vector<ViewController*> chain{root.get()};
            while (const auto next = chain.back()->presentedViewController()) {
                chain.push_back(next.get());
            }
            ViewController* from = chain[random() % chain.size()];
            const bool animated = random() % 2 == 0;
            const std::size_t id = runs.size();
            runs.push_back(0);
            const bool chained = depth < 2 && random() % 3 == 0;
            auto done = [&runs, &act, id, chained, depth] {
                ++runs[id];
                if (chained) {
                    act(depth + 1);
                }
            };
            if (random() % 2 == 0) {
                const auto& candidate = pool[random() % pool.size()];
                if (from->presentViewController(candidate, animated, done)) {
                    ++promised;
                } else {
                    runs[id] = -1000;  // refused: must never run
                }
            } else {
                from->dismissViewController(animated, done);
                ++promised;
            }
        };

        for (int step = 0; step < 40; ++step) {
            act(0);
            Scheduler::main().advance(0.1 * (random() % 8));
        }
        Scheduler::main().advance(3);

        for (std::size_t index = 0; index < runs.size(); ++index) {
            const int count = runs[index];
            if (count >= 0) {
                ran += count;
                EXPECT_EQ(count, 1) << "a completion ran more than once or never";
            } else {
                EXPECT_EQ(count, -1000) << "a refused presentation's completion ran";
            }
        }
        EXPECT_EQ(ran, promised);

        std::vector<ViewController*> chain{root.get()};
        while (const auto next = chain.back()->presentedViewController()) {
            EXPECT_EQ(next->presentingViewController(), chain.back());
            EXPECT_FALSE(next->isBeingPresented());
            EXPECT_FALSE(next->isBeingDismissed());
            chain.push_back(next.get());
        }
        for (ViewController* c : chain) {
            const bool last = c == chain.back();
            EXPECT_EQ(c->appearance(), last ? Appearance::Appeared : Appearance::Disappeared);
        }
        for (const auto& c : pool) {
            const bool inChain = std::find(chain.begin(), chain.end(), c.get()) != chain.end();
            if (!inChain) {
                EXPECT_EQ(c->appearance(), Appearance::Disappeared);
                EXPECT_EQ(c->presentingViewController(), nullptr);
                EXPECT_TRUE(!c->isViewLoaded() || c->viewIfLoaded()->window() == nullptr);
            }
        }
        // One layer over the root's view per presented screen.
        EXPECT_EQ(window->subviews().size(), chain.size());
    }
}
