#include "reports/certificate_pdf.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <map>
#include <memory>

#include "platform/cp932.h"

#ifdef __SANITIZE_ADDRESS__
// fontconfig keeps what it parsed of its configuration files until the process ends,
// where nothing the program holds can reach it (every font cache of a PDF goes with
// the PDF's own font map): not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

namespace korvel {

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Deleter<T, Free>>;
template <typename T>
void unref(T* p) {
    g_object_unref(p);
}

cairo_status_t write_to_file(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<FILE*>(closure)) == length ? CAIRO_STATUS_SUCCESS
                                                                              : CAIRO_STATUS_WRITE_ERROR;
}

// Sets one cell at a time, so that every character stands exactly where the layout put
// it. Upright cells take the font's vertical forms (the 'vert' feature: 、。ー「」 as
// a vertical line wants them); a 縦中横 number is set across and narrowed to the cell.
class CellPainter {
public:
    CellPainter(cairo_t* cr, const std::string& family)
        : cr_(cr), family_(platform::cp932_to_utf8(family)), font_map_(pango_cairo_font_map_new()),
          context_(pango_font_map_create_context(font_map_.get())) {
        pango_cairo_update_context(cr, context_.get());
        // Glyph positions unrounded: a cell is placed to the fraction of a point.
        pango_context_set_round_glyph_positions(context_.get(), FALSE);
        upright_.reset(pango_layout_new(context_.get()));
        across_.reset(pango_layout_new(context_.get()));
        Owned<PangoAttrList, pango_attr_list_unref> vertical(pango_attr_list_new());
        pango_attr_list_insert(vertical.get(), pango_attr_font_features_new("vert 1, vrt2 1"));
        pango_layout_set_attributes(upright_.get(), vertical.get());
    }

    void paint(const Column& column, const PlacedRun& cell) {
        const bool across = cell.run.setting == RunSetting::tate_chu_yoko;
        PangoLayout* layout = across ? across_.get() : upright_.get();
        const std::string text = platform::cp932_to_utf8(cell.run.text);
        pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
        pango_layout_set_font_description(layout, font(column.size));
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        const double w = logical.width / double(PANGO_SCALE), h = logical.height / double(PANGO_SCALE);
        const double lx = logical.x / double(PANGO_SCALE), ly = logical.y / double(PANGO_SCALE);
        // Narrower than the cell: centred; wider (three digits): squeezed across only.
        const double squeeze = across && w > column.size ? column.size / w : 1.0;
        cairo_save(cr_);
        cairo_translate(cr_, column.x, cell.y + (column.size - h) / 2 - ly);
        cairo_scale(cr_, squeeze, 1.0);
        cairo_move_to(cr_, -(lx + w / 2), 0);
        pango_cairo_show_layout(cr_, layout);
        cairo_restore(cr_);
    }

private:
    PangoFontDescription* font(double size) {
        auto& d = fonts_[size];
        if (!d) {
            d.reset(pango_font_description_new());
            pango_font_description_set_family(d.get(), family_.c_str());
            pango_font_description_set_absolute_size(d.get(), size * PANGO_SCALE);
        }
        return d.get();
    }

    cairo_t* cr_;
    std::string family_;
    // A font map of this document's own, whose font caches go with it.
    Owned<PangoFontMap, unref<PangoFontMap>> font_map_;
    Owned<PangoContext, unref<PangoContext>> context_;
    Owned<PangoLayout, unref<PangoLayout>> upright_;
    Owned<PangoLayout, unref<PangoLayout>> across_;
    std::map<double, Owned<PangoFontDescription, pango_font_description_free>> fonts_;
};

// A thick outer line and a thin one inside it.
void draw_frame(cairo_t* cr, const PageGeometry& page) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    const struct { double inset, width; } lines[] = {{page.frame, 2.4}, {page.frame + 6, 0.8}};
    for (const auto& line : lines) {
        cairo_set_line_width(cr, line.width);
        cairo_rectangle(cr, line.inset, line.inset, page.width - 2 * line.inset, page.height - 2 * line.inset);
        cairo_stroke(cr);
    }
}

}  // namespace

std::string write_certificate_pdf(FILE* out, const std::vector<PageLayout>& pages, const std::string& font,
                                  const std::string& title) {
    const PageGeometry first = pages.empty() ? PageGeometry{} : pages.front().page;
    Owned<cairo_surface_t, cairo_surface_destroy> surface(
        cairo_pdf_surface_create_for_stream(write_to_file, out, first.width, first.height));
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, platform::cp932_to_utf8(title).c_str());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "KORVEL32");
    {
        Owned<cairo_t, cairo_destroy> cr(cairo_create(surface.get()));
        CellPainter painter(cr.get(), font);
        for (const PageLayout& page : pages) {
            cairo_pdf_surface_set_size(surface.get(), page.page.width, page.page.height);
            draw_frame(cr.get(), page.page);
            for (const Column& column : page.columns)
                for (const PlacedRun& cell : column.runs) painter.paint(column, cell);
            cairo_show_page(cr.get());
        }
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return cairo_status_to_string(cairo_status(cr.get()));
    }
    cairo_surface_finish(surface.get());
    const cairo_status_t status = cairo_surface_status(surface.get());
    return status == CAIRO_STATUS_SUCCESS ? "" : cairo_status_to_string(status);
}

}  // namespace korvel
