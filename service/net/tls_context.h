#pragma once
// The HTTPS listener's TLS server context.
typedef struct ssl_ctx_st SSL_CTX;

namespace lumarin {

// A server context (any TLS version OpenSSL offers) with "server.crt" and "server.key" (PEM)
// from the service's folder: that of the module "Lumarin.exe", else the running program's.
// Null when no context could be made; a context whose files did not load fails every
// handshake. Nothing is reported: the service log is not on yet when this runs.
SSL_CTX* CreateServerTlsContext();

}  // namespace lumarin
