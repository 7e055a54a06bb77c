// Camera flights through the valley and the ducks' trajectory.
#include <algorithm>

#include "Scene.h"

namespace sg {

// Lowest height the eye may take at (x, z): above ground, water, the bridge
// and the ledges of the falls, with room to spare.
float EyeFloor(float x, float z)
{
    float floor = -1e9f;
    const float r = 8;
    const float off[5][2] = {{0, 0}, {r, 0}, {-r, 0}, {0, r}, {0, -r}};
    for (const auto& o : off)
    {
        float px = x + o[0], pz = z + o[1];
        // Low over water for the reflections, a little higher over ground,
        // where a bank close by would fill the picture.
        float h = SurfaceHeight(px, pz);
        bool water = RiverDistance(px, pz) < 0 || PoolDistance(px, pz) < 0;
        floor = std::max(floor, h + (water ? 14.0f : 20.0f));
    }
    float w, e;
    RiverEdges(420, w, e);
    if (x > w - 50 && x < e + 50 && z > 380 && z < 460)
        floor = std::max(floor, kBridgeDeckY + 22 + 14);
    for (const Vec3& fall : {kFallA, kFallB})
    {
        float dx = x - fall.x, dz = z - fall.z;
        if (dx * dx + dz * dz < 45 * 45)
            floor = std::max(floor, fall.y + 14);
    }
    return floor;
}

namespace {

struct PathPlan
{
    float speed; // units per 33 ms frame
    std::vector<Vec3> points;
    Vec3 focus; // looked at between frames focusFrom and focusTo
    int focusFrom, focusTo;
};

Vec3 CatmullRom(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, float t)
{
    float t2 = t * t, t3 = t2 * t;
    return (p1 * 2.0f + (p2 - p0) * t + (p0 * 2.0f - p1 * 5.0f + p2 * 4.0f - p3) * t2 +
            (p1 * 3.0f - p0 - p2 * 3.0f + p3) * t3) *
           0.5f;
}

// Positions at equal arc-length steps along the spline through the points.
std::vector<Vec3> SampleSpline(std::vector<Vec3> pts, float step, int count)
{
    // Continue straight on if the points do not reach far enough.
    std::vector<Vec3> dense;
    auto densify = [&]() {
        dense.clear();
        std::vector<Vec3> q = pts;
        q.insert(q.begin(), pts[0] * 2.0f - pts[1]);
        q.push_back(pts.back() * 2.0f - pts[pts.size() - 2]);
        for (size_t i = 1; i + 2 < q.size(); ++i)
            for (int k = 0; k < 64; ++k)
                dense.push_back(CatmullRom(q[i - 1], q[i], q[i + 1], q[i + 2], float(k) / 64));
        dense.push_back(pts.back());
    };
    densify();
    auto length = [&]() {
        float l = 0;
        for (size_t i = 1; i < dense.size(); ++i)
            l += Len(dense[i] - dense[i - 1]);
        return l;
    };
    while (length() < step * float(count + 2))
    {
        Vec3 d = Norm(pts.back() - pts[pts.size() - 2]);
        pts.push_back(pts.back() + d * 200.0f);
        densify();
    }
    std::vector<Vec3> out;
    float want = 0, done = 0;
    size_t i = 1;
    for (int f = 0; f < count; ++f)
    {
        while (i < dense.size() && done + Len(dense[i] - dense[i - 1]) < want)
        {
            done += Len(dense[i] - dense[i - 1]);
            ++i;
        }
        float seg = Len(dense[i] - dense[i - 1]);
        float t = seg > 0 ? (want - done) / seg : 0;
        out.push_back(Lerp(dense[i - 1], dense[i], t));
        want += step;
    }
    return out;
}

std::vector<float> RunningMax(const std::vector<float>& v, int w)
{
    std::vector<float> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
    {
        float m = -1e9f;
        for (int k = -w; k <= w; ++k)
        {
            int j = std::clamp(int(i) + k, 0, int(v.size()) - 1);
            m = std::max(m, v[size_t(j)]);
        }
        out[i] = m;
    }
    return out;
}

std::vector<float> RunningMean(const std::vector<float>& v, int w)
{
    std::vector<float> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
    {
        float s = 0;
        for (int k = -w; k <= w; ++k)
            s += v[size_t(std::clamp(int(i) + k, 0, int(v.size()) - 1))];
        out[i] = s / float(2 * w + 1);
    }
    return out;
}

const std::vector<PathPlan>& PathPlans()
{
    const Vec3 none = {0, 0, 0};
    const Vec3 fallA = {318, 62, 620}, fallB = {314, 75, -589};
    static const std::vector<PathPlan> specs = {
        // 1: low up the river from the south, then over the bridge.
        {1.8f,
         {{70, 28, -640},
          {60, 27, -480},
          {85, 26, -300},
          {50, 28, -120},
          {95, 27, 60},
          {60, 29, 230},
          {80, 60, 330},
          {70, 70, 420},
          {60, 60, 520},
          {30, 50, 640},
          {-20, 60, 800},
          {-70, 70, 1000}},
         none,
         0,
         0},
        // 2: across to the southern fall, round its pool, and back up the
        // river: the valley's end is a wall of hill, not a view.
        {1.6f,
         {{60, 30, -250},
          {120, 30, -380},
          {190, 48, -470},
          {225, 52, -560},
          {200, 60, -650},
          {130, 70, -690},
          {60, 75, -630},
          {30, 80, -480},
          {20, 85, -330},
          {10, 90, -150},
          {0, 90, 50}},
         fallB,
         120,
         380},
        // 3: from the bridge to the northern fall and the north pool, then
        // round to look back down the valley at the bridge.
        {1.5f,
         {{60, 28, 470},
          {130, 30, 540},
          {200, 85, 590},
          {240, 90, 650},
          {220, 90, 730},
          {150, 75, 790},
          {70, 85, 770},
          {20, 95, 660},
          {0, 100, 500},
          {10, 105, 330},
          {20, 110, 150}},
         fallA,
         150,
         420},
        // 4: along the foot of the wooded west slope, above the meadow, the
        // trees on the left and the pools and the river on the right.
        {1.7f,
         {{-200, 110, -470},
          {-215, 112, -300},
          {-225, 115, -120},
          {-225, 112, 60},
          {-235, 110, 250},
          {-240, 108, 400},
          {-200, 105, 560},
          {-120, 100, 700},
          {-80, 100, 900},
          {-80, 100, 1100}},
         none,
         0,
         0},
        // 5: along the east terraces at the cliffs' height, the cliffs on the
        // right and the river on the left, towards the northern fall.
        {1.9f,
         {{340, 125, -300},
          {325, 120, -100},
          {315, 115, 100},
          {310, 112, 300},
          {285, 110, 460},
          {235, 108, 580},
          {200, 100, 720},
          {200, 80, 850},
          {100, 70, 1000},
          {0, 80, 1200}},
         fallA,
         280,
         500},
        // 6: down the west slope, across the river, up the east side.
        {1.8f,
         {{-380, 130, 100},
          {-280, 100, 80},
          {-150, 60, 60},
          {-40, 35, 40},
          {60, 30, 20},
          {150, 35, 0},
          {240, 50, -30},
          {300, 70, -120},
          {330, 110, -250},
          {380, 140, -400},
          {420, 150, -550}},
         none,
         0,
         0},
        // 7: low down the river from the bridge to the south.
        {1.8f,
         {{60, 29, 370},
          {90, 27, 200},
          {50, 26, 0},
          {100, 27, -200},
          {60, 28, -400},
          {80, 30, -600},
          {20, 35, -760},
          {-80, 40, -900},
          {-180, 45, -1050},
          {-280, 55, -1250}},
         none,
         0,
         0},
        // 8: the chain of western pools.
        {1.5f,
         {{-126, 85, 60},
          {-130, 88, -100},
          {-110, 90, -250},
          {-140, 92, -360},
          {-200, 92, -480},
          {-250, 90, -600},
          {-280, 60, -720},
          {-300, 70, -880},
          {-280, 80, -1050},
          {-250, 90, -1250}},
         none,
         0,
         0},
        // 9: high over the valley.
        {2.0f,
         {{-150, 170, -950},
          {-50, 160, -700},
          {50, 150, -450},
          {120, 140, -200},
          {150, 130, 50},
          {160, 140, 300},
          {130, 150, 550},
          {60, 160, 800},
          {-30, 170, 1050}},
         none,
         0,
         0},
        // 10: round the eastern pools and back over the river.
        {1.5f,
         {{150, 40, -60},
          {200, 50, 60},
          {250, 52, 120},
          {300, 60, 60},
          {310, 62, -60},
          {270, 52, -170},
          {200, 45, -250},
          {120, 35, -200},
          {80, 32, -60},
          {60, 30, 100},
          {90, 32, 260},
          {60, 70, 420},
          {40, 50, 600}},
         none,
         0,
         0},
        // 11: from above the northern fall down to the river and south.
        {1.7f,
         {{390, 140, 720},
          {340, 115, 700},
          {270, 70, 680},
          {200, 50, 640},
          {120, 35, 600},
          {80, 30, 510},
          {60, 70, 420},
          {60, 35, 300},
          {80, 30, 100},
          {40, 30, -100},
          {70, 30, -300}},
         fallA,
         40,
         260},
        // 12: up the river, over the bridge, and across to the northern fall.
        {1.6f,
         {{100, 28, 80},
          {70, 30, 240},
          {60, 70, 420},
          {90, 65, 540},
          {150, 72, 640},
          {220, 80, 700},
          {260, 90, 760},
          {280, 100, 840},
          {290, 110, 950}},
         fallA,
         250,
         480},
        // 13: across the southern bend, then north along the east terraces
        // with the southern fall ahead.
        {1.5f,
         {{-60, 90, -960},
          {40, 80, -1000},
          {140, 85, -990},
          {215, 90, -900},
          {245, 95, -780},
          {245, 95, -650},
          {235, 95, -520},
          {230, 95, -400},
          {225, 95, -250}},
         {314, 75, -589},
         230,
         440},
        // 14: along the eastern terraces from the northern fall to the south.
        {1.9f,
         {{230, 95, 520},
          {255, 95, 420},
          {250, 95, 300},
          {240, 95, 150},
          {246, 95, 6},
          {265, 95, -166},
          {250, 95, -400},
          {252, 50, -535},
          {200, 50, -650},
          {150, 50, -786},
          {130, 55, -950}},
         fallA,
         0,
         120},
        // 15: weaving low over the river.
        {1.7f,
         {{-30, 30, -500},
          {150, 28, -350},
          {-20, 28, -150},
          {160, 30, 50},
          {0, 28, 250},
          {60, 70, 420},
          {120, 40, 560},
          {40, 45, 700},
          {-30, 55, 900}},
         none,
         0,
         0},
    };
    return specs;
}

} // namespace

void BuildCameraPaths(SceneContent& s)
{
    const int frames = 1001, extra = 80;
    for (const auto& plan : PathPlans())
    {
        std::vector<Vec3> eye = SampleSpline(plan.points, plan.speed, frames + extra);
        // Raise the eye where the ground, the water or the bridge ask for it,
        // smoothly: a running maximum, then a running mean of the same width,
        // never drops below any floor inside the window.
        std::vector<float> y(eye.size());
        for (size_t i = 0; i < eye.size(); ++i)
            y[i] = std::max(eye[i].y, EyeFloor(eye[i].x, eye[i].z));
        y = RunningMean(RunningMax(y, 30), 30);
        for (size_t i = 0; i < eye.size(); ++i)
            eye[i].y = y[i];

        CameraPathData path;
        std::vector<Vec3> dir(static_cast<size_t>(frames));
        for (int f = 0; f < frames; ++f)
        {
            const Vec3 e = eye[size_t(f)];
            Vec3 ahead = eye[size_t(f + 55)];
            float above = ahead.y - SurfaceHeight(ahead.x, ahead.z);
            Vec3 d = Norm(ahead - Vec3{0, 6 + 0.3f * std::max(0.0f, above), 0} - e);
            if (plan.focusTo > plan.focusFrom)
            {
                // Turn towards the fall while it is ahead, never round to look back.
                Vec3 toFocus = Norm(plan.focus - e);
                float w = Smooth(float(plan.focusFrom), float(plan.focusFrom + 60), float(f)) *
                          Smooth(float(plan.focusTo), float(plan.focusTo - 60), float(f)) *
                          Smooth(0.1f, 0.6f, Dot(d, toFocus));
                d = Norm(Lerp(d, toFocus, w * 0.8f));
            }
            dir[size_t(f)] = d;
        }
        // Smooth the look direction so it never jerks.
        for (int pass = 0; pass < 3; ++pass)
        {
            std::vector<Vec3> sm(dir.size());
            for (int f = 0; f < frames; ++f)
            {
                Vec3 acc = {0, 0, 0};
                for (int k = -20; k <= 20; ++k)
                    acc = acc + dir[size_t(std::clamp(f + k, 0, frames - 1))];
                sm[size_t(f)] = Norm(acc);
            }
            dir = sm;
        }
        for (int f = 0; f < frames; ++f)
        {
            path.eyes.push_back(eye[size_t(f)]);
            path.targets.push_back(eye[size_t(f)] + Norm(dir[size_t(f)]) * 100.0f);
        }
        s.cameras.push_back(path);
    }
}

void BuildDuckTrajectory(SceneContent& s)
{
    // Three ducks, each on its own closed loop in a separate stretch of the
    // river, so they never meet; whole cycles over the 1,000 frames.
    struct Loop
    {
        float cx, cz, rx, rz, phase, dir;
    };
    const Loop loops[3] = {{62, -330, 52, 100, 0.3f, 1}, {82, 40, 56, 105, 2.1f, -1}, {66, 290, 50, 85, 4.0f, 1}};
    const uint32_t n = 1000;
    s.duckTrajectory.frames = n;
    for (const auto& l : loops)
    {
        for (uint32_t f = 0; f < n; ++f)
        {
            auto at = [&](float ff) {
                float th = l.phase + l.dir * 2 * kPi * ff / float(n);
                return Vec3{l.cx + l.rx * std::cos(th) + 9 * std::sin(2 * th), kRiverY,
                            l.cz + l.rz * std::sin(th) + 12 * std::cos(3 * th)};
            };
            Vec3 p = at(float(f));
            Vec3 d = at(float(f) + 0.5f) - at(float(f) - 0.5f);
            float yaw = std::atan2(d.x, d.z);
            Mat4 m = Mul(Mul(Scale(0.6874f, 0.6874f, 0.6874f), RotY(yaw)), Translate(p));
            s.duckTrajectory.matrices.push_back(m);
        }
    }
}

std::vector<Vec3> SampledEyes(const SceneContent& s)
{
    std::vector<Vec3> eyes;
    for (const auto& c : s.cameras)
        for (size_t f = 0; f < c.eyes.size(); f += 6)
            eyes.push_back(c.eyes[f]);
    return eyes;
}

} // namespace sg
