// Draws laid-out certificates (certificate_layout) into a PDF with pango on cairo:
// one A4 page per certificate, a simple frame, the font embedded as a subset.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "reports/certificate_layout.h"

namespace korvel {

// Writes the PDF to out (a binary stream). font is the fontconfig family (CP932), title
// the document title (CP932). Returns "" when it was written, else cairo's reason.
std::string write_certificate_pdf(FILE* out, const std::vector<PageLayout>& pages, const std::string& font,
                                  const std::string& title);

}  // namespace korvel
