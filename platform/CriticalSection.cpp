#include "platform/CriticalSection.h"

namespace win {

void CCriticalSection::Enter() {
    if (OwnedByCaller()) {
        ++count_;
        return;
    }
    mutex_.lock();
    owner_.store(std::this_thread::get_id());
    count_ = 1;
}

bool CCriticalSection::TryEnter() {
    if (OwnedByCaller()) {
        ++count_;
        return true;
    }
    if (!mutex_.try_lock()) return false;
    owner_.store(std::this_thread::get_id());
    count_ = 1;
    return true;
}

bool CCriticalSection::Leave() {
    if (!OwnedByCaller()) return false;
    if (--count_ > 0) return true;
    owner_.store(std::thread::id());
    mutex_.unlock();
    return true;
}

}  // namespace win
