#pragma once

#include "core/ftp/TlsTrust.h"

class QWidget;

// Asks the user whether to trust a server certificate the system does not trust, in a modal box with the
// host, the problems, subject, issuer, validity and fingerprint. "No" is the default and what closing
// the box answers.
bool askToTrustCertificate(QWidget* parent, const TlsCertificateQuestion& question);

// The question hook for a connection that can ask: the browsing connection and the console.
TlsCertificateHook certificateQuestionHook(QWidget* parent);
