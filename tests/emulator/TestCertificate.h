#pragma once

namespace zvemu {

// The certificate and key the emulator serves HTTPS with, in PEM.
const char* testCertificatePem();
const char* testPrivateKeyPem();

}  // namespace zvemu
