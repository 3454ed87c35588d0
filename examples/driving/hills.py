#!/usr/bin/env python3
"""Writes hills.x, the ground of the driving example: 120 x 120 units of
terrain in 5-unit squares (1,250 triangles) rising to +z with a slope of
1 in 10, and hills that start 10 units either side of the x = 0 road, so
that the road itself is one plane."""

STEP, HALF = 5, 60


def height(x, z):
    side = max(0.0, abs(x) - 10) / 10
    return 0.1 * z + 4 * side * side * (1 + 0.5 * ((z // 5) % 3 - 1))


def main():
    n = 2 * HALF // STEP + 1
    points = [(x, height(x, z), z) for z in range(-HALF, HALF + 1, STEP) for x in range(-HALF, HALF + 1, STEP)]
    faces = []
    for row in range(n - 1):
        for col in range(n - 1):
            a, b = row * n + col, row * n + col + 1
            c, d = b + n, a + n
            # Clockwise seen from above (y up, z away): a, d, c and a, c, b.
            faces += [(a, d, c), (a, c, b)]
    out = ["xof 0303txt 0032", "Mesh Hills {", f"{len(points)};"]
    out += [f"{x:g};{y:g};{z:g};" + (";" if i == len(points) - 1 else ",") for i, (x, y, z) in enumerate(points)]
    out.append(f"{len(faces)};")
    out += [f"3;{a},{b},{c};" + (";" if i == len(faces) - 1 else ",") for i, (a, b, c) in enumerate(faces)]
    out += ["MeshMaterialList {", "1;", f"{len(faces)};", ",".join("0" * len(faces)) + ";;",
            "Material {", "0.35;0.55;0.25;1.0;;", "0.0;", "0.0;0.0;0.0;;", "0.0;0.0;0.0;;", "}", "}", "}"]
    with open("hills.x", "w", newline="\r\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
