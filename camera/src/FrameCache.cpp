#include "FrameCache.h"

namespace Veltor {

void FramePool::addNode(std::unique_ptr<LinkNode> node) {
    std::lock_guard<std::mutex> lock(mutex);
    node->owner = NodeOwner::Free;
    node->next = freeHead;
    freeHead = node.get();
    nodes.push_back(std::move(node));
}

bool FramePool::owns(const LinkNode* node) const {
    for (const auto& n : nodes) {
        if (n.get() == node) return true;
    }
    return false;
}

LinkNode* FramePool::popFree(NodeOwner newOwner) {
    std::lock_guard<std::mutex> lock(mutex);
    LinkNode* node = freeHead;
    if (node != nullptr) {
        freeHead = node->next;
        node->next = nullptr;
        node->owner = newOwner;
    }
    return node;
}

void FramePool::pushFree(LinkNode* node) {
    std::lock_guard<std::mutex> lock(mutex);
    if (node == nullptr || !owns(node) || node->owner == NodeOwner::Free ||
        node->owner == NodeOwner::Ready) {
        return;
    }
    node->owner = NodeOwner::Free;
    node->next = freeHead;
    freeHead = node;
}

void FramePool::appendReady(LinkNode* node) {
    std::lock_guard<std::mutex> lock(mutex);
    node->owner = NodeOwner::Ready;
    node->next = nullptr;
    if (readyTail != nullptr) {
        readyTail->next = node;
    } else {
        readyHead = node;
    }
    readyTail = node;
}

void FramePool::pushReadyFront(LinkNode* node) {
    std::lock_guard<std::mutex> lock(mutex);
    node->owner = NodeOwner::Ready;
    node->next = readyHead;
    readyHead = node;
    if (readyTail == nullptr) readyTail = node;
}

LinkNode* FramePool::popReady(NodeOwner newOwner) {
    std::lock_guard<std::mutex> lock(mutex);
    LinkNode* node = readyHead;
    if (node != nullptr) {
        readyHead = node->next;
        if (readyHead == nullptr) readyTail = nullptr;
        node->next = nullptr;
        node->owner = newOwner;
    }
    return node;
}

int FramePool::release(const VeltorFrameBuffer* frame) {
    if (frame == nullptr) return VeltorUnkownError;
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& n : nodes) {
        if (n->frame.get() != frame) continue;
        // Only a frame the application holds may come back: a second release
        // of the same frame would link its node into the free list twice.
        if (n->owner != NodeOwner::Application) return VeltorUnkownError;
        n->owner = NodeOwner::Free;
        n->next = freeHead;
        freeHead = n.get();
        return VeltorSuccess;
    }
    return VeltorUnkownError;
}

FrameCache::FrameCache(FrameType type, const FrameFormat& F, uint8_t* stagingData,
                       size_t stagingSize, uint32_t stagingWidth, uint32_t stagingHeight)
    : format(F),
      staging(std::make_unique<CacheData>(stagingData, stagingWidth, 2 * stagingHeight)),
      stagingBytes(stagingSize) {
    for (uint8_t k = 0; k < nodeCount; ++k) {
        auto node = std::make_unique<LinkNode>();
        if (type == RAW) {
            node->frame = std::make_unique<RawData>(F.width, F.height);
        } else {
            node->frame = std::make_unique<DepthData>(F.width, F.height);
        }
        pool.addNode(std::move(node));
    }
}

void FrameCache::endStream() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        streamEnded = true;
    }
    readyCond.notify_all();
}

}  // namespace Veltor
