#include "geometry/p2t.h"

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Constrained_triangulation_face_base_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2_algorithms.h>
#include <CGAL/Triangulation_data_structure_2.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <cmath>
#include <exception>
#include <list>

namespace p2t {

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Vb = CGAL::Triangulation_vertex_base_with_info_2<int, K>;
// Face info: nesting depth, -1 while unknown; odd depth is inside the outline.
using Fbi = CGAL::Triangulation_face_base_with_info_2<int, K>;
using Fb = CGAL::Constrained_triangulation_face_base_2<K, Fbi>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<K, Tds, CGAL::No_constraint_intersection_tag>;

// Flood fill from the unbounded face; crossing a constrained edge adds one to the depth.
void MarkDepths(Cdt& cdt)
{
    for (auto f = cdt.all_faces_begin(); f != cdt.all_faces_end(); ++f) f->info() = -1;
    std::list<std::pair<Cdt::Face_handle, int>> seeds{{cdt.infinite_face(), 0}};
    while (!seeds.empty()) {
        auto [start, depth] = seeds.front();
        seeds.pop_front();
        if (start->info() != -1) continue;
        std::list<Cdt::Face_handle> queue{start};
        start->info() = depth;
        while (!queue.empty()) {
            Cdt::Face_handle f = queue.front();
            queue.pop_front();
            for (int i = 0; i < 3; i++) {
                Cdt::Face_handle n = f->neighbor(i);
                if (n->info() != -1) continue;
                if (cdt.is_constrained(Cdt::Edge(f, i))) {
                    seeds.emplace_back(n, depth + 1);
                } else {
                    n->info() = depth;
                    queue.push_back(n);
                }
            }
        }
    }
}

}  // namespace

CDT::CDT(std::vector<TPoint2D*> polyline) : polyline_(std::move(polyline)) {}

std::vector<Triangle*> CDT::GetTriangles()
{
    std::vector<Triangle*> out;
    out.reserve(triangles_.size());
    for (Triangle& t : triangles_) out.push_back(&t);
    return out;
}

bool CDT::Triangulate()
{
    triangles_.clear();
    error_.clear();
    const size_t n = polyline_.size();
    if (n < 3) {
        error_ = "the outline has fewer than three points";
        return false;
    }
    std::vector<K::Point_2> polygon;
    polygon.reserve(n);
    for (const TPoint2D* p : polyline_) {
        if (!std::isfinite(p->x) || !std::isfinite(p->y)) {
            error_ = "the outline has a point with non-finite coordinates";
            return false;
        }
        polygon.emplace_back(p->x, p->y);
    }
    try {
        const K traits{};
        if (!CGAL::is_simple_2(polygon.begin(), polygon.end(), traits)) {
            error_ = "the outline is not a simple polygon (repeated points, crossing edges or a "
                     "point on another edge)";
            return false;
        }
        if (CGAL::orientation_2(polygon.begin(), polygon.end(), traits) == CGAL::COLLINEAR) {
            error_ = "the outline has no area";
            return false;
        }
        Cdt cdt;
        std::vector<Cdt::Vertex_handle> handles(n);
        for (size_t i = 0; i < n; i++) {
            handles[i] = cdt.insert(polygon[i]);
            handles[i]->info() = static_cast<int>(i);
        }
        for (size_t i = 0; i < n; i++) cdt.insert_constraint(handles[i], handles[(i + 1) % n]);
        MarkDepths(cdt);
        for (auto f = cdt.finite_faces_begin(); f != cdt.finite_faces_end(); ++f) {
            if (f->info() % 2 != 1) continue;
            // Finite faces come out counter-clockwise.
            triangles_.emplace_back(polyline_[f->vertex(0)->info()], polyline_[f->vertex(1)->info()],
                                    polyline_[f->vertex(2)->info()]);
        }
    } catch (const std::exception& e) {
        triangles_.clear();
        error_ = std::string("the triangulation failed: ") + e.what();
        return false;
    }
    if (triangles_.empty()) {
        error_ = "the outline encloses no triangle";
        return false;
    }
    return true;
}

}  // namespace p2t
