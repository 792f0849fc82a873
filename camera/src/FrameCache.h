#pragma once
// Frame pool and ready queue of one camera (private to the camera).

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "VeltorFrame.h"
#include "VeltorTypes.h"

namespace Veltor {

// Three lists of LinkNodes under one mutex: a LIFO free list and a FIFO
// ready queue; a node not in either is held by the capture thread or the
// application (LinkNode::owner says which).
class FramePool {
public:
    void addNode(std::unique_ptr<LinkNode> node);
    // Head of the free list, or null.
    LinkNode* popFree(NodeOwner newOwner);
    // Back to the head of the free list; ignored for a node of another pool.
    void pushFree(LinkNode* node);
    void appendReady(LinkNode* node);
    // Back to the head of the ready queue (the oldest ready frame again).
    void pushReadyFront(LinkNode* node);
    // Oldest ready node, or null.
    LinkNode* popReady(NodeOwner newOwner);
    // Returns an application-held frame of this pool to the free list: 0, or
    // -1 (nothing changed) when frame is not held by the application here.
    int release(const VeltorFrameBuffer* frame);

private:
    bool owns(const LinkNode* node) const;

    std::mutex mutex;
    LinkNode* freeHead = nullptr;
    LinkNode* readyHead = nullptr;
    LinkNode* readyTail = nullptr;
    std::vector<std::unique_ptr<LinkNode>> nodes;
};

class FrameCache {
public:
    static constexpr uint8_t kNodeCount = 3;

    // Pool of kNodeCount frames of geometry F for RAW or DEPTH output, and the
    // view of the staging buffer (stagingWidth x 2 * stagingHeight).
    FrameCache(FrameType type, const FrameFormat& F, uint8_t* staging, size_t stagingBytes,
               uint32_t stagingWidth, uint32_t stagingHeight);

    FrameFormat format;
    FramePool pool;
    std::unique_ptr<CacheData> staging;
    size_t stagingBytes;
    uint8_t nodeCount = kNodeCount;

    // Marks the stream on this pool as over and wakes every waiter. A pool
    // never streams again once its stream stopped or it was replaced, so a
    // caller that picked it up just before a restart cannot wait on it for
    // good.
    void endStream();

    std::mutex mutex;  // guards readyCount and streamEnded; never held with the pool mutex
    std::condition_variable readyCond;
    int32_t readyCount = 0;
    int32_t maxReady = kNodeCount;
    bool streamEnded = false;
};

}  // namespace Veltor
