// Separate handles on separate threads share nothing: each thread creates,
// configures, runs and releases its own handles at the same time as the
// others (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "corr/corr_test_util.h"

namespace {

using namespace NAMESPACE_CORR;

TEST(CorrThreads, HandlesOnSeparateThreadsAreIndependent)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::mutex m;
    std::condition_variable cv;
    int iReady = 0;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            {
                // Start together so the calls overlap.
                std::unique_lock<std::mutex> lock(m);
                ++iReady;
                cv.notify_all();
                cv.wait(lock, [&] { return iReady == kThreads; });
            }
            for (int r = 0; r < kRounds; ++r) {
                CORR_FIXPARA stFix = corrtest::BaselineFixParas();
                stFix.usInImgWidth = stFix.usOutImgWidth = static_cast<uint16_t>(160 + 16 * t);
                stFix.usInImgHeight = stFix.usOutImgHeight = 120;
                unsigned int uiSucc = 0;
                unsigned int uiAbn = 0;
                void *p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 0, 0);
                if (p == nullptr || uiSucc != 0) {
                    ++failures[t];
                    continue;
                }
                oryntcorrSetDynamicConfig(p, nullptr, &uiSucc, &uiAbn, 0);
                if (uiSucc != 0 || uiAbn != CORR_ARITH_ABNORMAL_INVALID_DYNPARA_POINTER) ++failures[t];
                CORR_INDATAS stIn{};
                oryntcorrRunCorrection(p, &stIn, nullptr, &uiSucc, &uiAbn, 0);
                if (uiSucc != CORR_ARITH_FAIL_INVALID_OUTDATAS_POINTER) ++failures[t];
                oryntcorrRelease(&p, 0);
                if (p != nullptr) ++failures[t];
            }
        });
    }
    for (auto &th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
