#include "service/net/tls_context.h"

#include <openssl/ssl.h>

#include <string>

#include "platform/module_paths.h"

namespace lumarin {
namespace {

std::string ServiceFolder() {
  std::string path = platform::LoadedModulePath("Lumarin.exe");
  if (path.empty()) path = platform::ProgramPath();
  return path.substr(0, path.rfind(platform::kPathSeparator) + 1);
}

}  // namespace

SSL_CTX* CreateServerTlsContext() {
  SSL_CTX* context = SSL_CTX_new(TLS_method());
  if (!context) return nullptr;
  const std::string folder = ServiceFolder();
  if (SSL_CTX_use_certificate_file(context, (folder + "server.crt").c_str(), SSL_FILETYPE_PEM) == 1)
    SSL_CTX_use_PrivateKey_file(context, (folder + "server.key").c_str(), SSL_FILETYPE_PEM);
  return context;
}

}  // namespace lumarin
