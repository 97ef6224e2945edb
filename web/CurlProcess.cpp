#include "web/CurlProcess.h"

namespace web::internet {

CurlProcess& CurlProcess::Get() {
  static CurlProcess process;
  return process;
}

CurlProcess::CurlProcess() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  share_ = curl_share_init();
  if (share_ != nullptr) {
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CurlProcess::Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlProcess::Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
}

CurlProcess::~CurlProcess() {
  if (share_ != nullptr) curl_share_cleanup(share_);
  curl_global_cleanup();
}

void CurlProcess::Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
  static_cast<CurlProcess*>(self)->locks_[static_cast<std::size_t>(data)].lock();
}

void CurlProcess::Unlock(CURL*, curl_lock_data data, void* self) {
  static_cast<CurlProcess*>(self)->locks_[static_cast<std::size_t>(data)].unlock();
}

void CurlProcess::SetTrustedAuthorities(std::string path) {
  std::lock_guard lock(trustMutex_);
  trustedAuthorities_ = std::move(path);
}

std::string CurlProcess::TrustedAuthorities() const {
  std::lock_guard lock(trustMutex_);
  return trustedAuthorities_;
}

}  // namespace web::internet
