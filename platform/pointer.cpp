// The process-wide pointer-settings backend.
#include "pointer.h"

#include <mutex>

namespace pointer {
namespace {

std::mutex g_mutex;
std::shared_ptr<Backend> g_backend;

}  // namespace

std::shared_ptr<Backend> backend()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_backend;
}

void setBackend(std::shared_ptr<Backend> backend)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_backend = std::move(backend);
}

}  // namespace pointer
