#include "hid.h"

#include <mutex>

namespace hid {
namespace {
std::mutex g_mutex;
std::shared_ptr<Backend> g_backend;
}  // namespace

std::shared_ptr<Backend> backend()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_backend)
        g_backend = createPlatformBackend();
    return g_backend;
}

void setBackend(std::shared_ptr<Backend> backend)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_backend = std::move(backend);
}

}  // namespace hid
