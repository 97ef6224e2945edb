#pragma once

#include <curl/curl.h>

#include <array>
#include <mutex>
#include <string>

namespace web::internet {

// libcurl's global state, the cookie store shared by every request that keeps cookies, and the
// certificate authorities HTTPS requests trust. Made on first use, kept until the process ends.
class CurlProcess {
 public:
  static CurlProcess& Get();

  // Null when libcurl could not make one; requests then keep no cookies.
  CURLSH* CookieStore() const { return share_; }

  // A PEM file of certificate authorities; empty for the system's.
  void SetTrustedAuthorities(std::string path);
  std::string TrustedAuthorities() const;

 private:
  CurlProcess();
  ~CurlProcess();

  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self);
  static void Unlock(CURL*, curl_lock_data data, void* self);

  CURLSH* share_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
  mutable std::mutex trustMutex_;
  std::string trustedAuthorities_;
};

}  // namespace web::internet
