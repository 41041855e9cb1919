// The certificates as a PDF laid out by the program itself: one A4 page in vertical
// writing per award of the merge file (区間賞TAB.txt, 団体賞TAB.txt), in its order.
#pragma once

#include <string>
#include <vector>

#include "reports/certificate_layout.h"
#include "reports/section_awards.h"
#include "reports/team_awards.h"

namespace korvel {

constexpr const char* SECTION_CERTIFICATE_PDF = "区間賞賞状.pdf";
constexpr const char* TEAM_CERTIFICATE_PDF = "団体賞賞状.pdf";

// The texts every certificate shares, from OPTION.TXT: CERT_BODY_KUKAN, CERT_BODY_TEAM,
// CERT_DATE (else today in the Japanese era), CERT_ORGANIZER (else the event name and
// 実行委員会), CERT_FONT (else IPAex Mincho).
struct CertificateTexts {
    std::string section_body;
    std::string team_body;
    std::string date;
    std::string organizer;
    std::string font;
};
CertificateTexts certificate_texts();

// A date in the Japanese era with full-width digits: 令和８年１２月９日, 令和元年５月１日.
std::string japanese_era_date(int year, int month, int day);

// The fields of each certificate, right to left.
std::vector<Certificate> section_certificates(const RaceData& race, const std::vector<SectionAward>& awards,
                                              const CertificateTexts& texts);
std::vector<Certificate> team_certificates(const RaceData& race, const std::vector<TeamAward>& awards,
                                           const CertificateTexts& texts);

// Writes name whole (UTF-8 on disk) from the certificates; false after the failure
// was shown, or the message that there are none (no file is written then).
bool write_certificates(const char* name, const std::vector<Certificate>& certificates, const std::string& font);

// Certificate entries 4 and 9: the awards as entries 1 and 6 compute them, the PDF,
// then the PDF opened with its associated program (or named on the screen). The
// caller has run recompute_results (at the goal for the teams).
bool write_kukansyou_pdf();
bool write_dantaisyou_pdf();

}  // namespace korvel
