"""The reference check: every shared sample model that our loader accepts is drawn by our
renderer (reference_render) and by three.js in headless Chromium (threejs_render.mjs) from the
same camera, environment and point light, and the pictures are compared over the model's
pixels. One side-by-side sheet per model goes to <build>/reference_check/ (top row image-based
light alone, bottom row with the point light; ours | three.js | difference x 4)."""

import json
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pictures  # noqa: E402

SOURCE = os.environ.get("PLAYER_SOURCE_DIR", os.getcwd())
BUILD = os.environ.get("PLAYER_BINARY_DIR", os.path.join(SOURCE, "build"))
MODULES = os.environ.get("THREEJS_MODULES", os.path.join(BUILD, "reference-threejs", "node_modules"))
RENDERER = os.environ.get("REFERENCE_RENDER", os.path.join(BUILD, "tests", "reference_render"))
OUT = os.path.join(BUILD, "reference_check")

# Models the loader refuses by design (a primitive without indices ends the load); any other
# refusal fails the check.
REFUSED = {"TriangleWithoutIndices"}

# Mean absolute difference per channel over every pixel that either side covers, in 1/255: the
# largest channel of either picture (image-based light alone, with the point light) may reach
# the model's tolerance. Each is about twice what the model measures, where that keeps the
# faults it was measured against out. Silhouette pixels differ by rasterisation everywhere; and
# the renderers differ by design in three ways:
# - sRGB: ours is a power of 2.2, three.js's the exact curve. Each side decodes and encodes
#   alike, but light computed in between comes out differently where it is dark: up to 8 levels
#   in the dark channels of saturated colours (about 20 against 13 near 15/255).
# - the irradiance: ours from spherical harmonics, a cosine lobe; three.js's its roughest PMREM
#   level, a narrower lobe, which matters on rough dielectrics.
# - the specular environment: our GGX-filtered mip chain against three.js's PMREM blur (within
#   2 on a rough white metal).
WHOLE_MODEL_TOLERANCE = 10.0  # a model not listed below

MODEL_TOLERANCES = {
    "AnimatedCube": (7.0, "a textured dielectric cube (measured 3.3)"),
    "AnimatedMorphCube": (7.0, "a smooth dielectric cube (measured 3.5)"),
    "Box": (10.0, "a saturated red dielectric: its dark green and blue take the sRGB difference"
            " (measured 7.7)"),
    "BoxAnimated": (7.0, "blue and grey dielectrics (measured 3.2)"),
    "BoxInterleaved": (5.0, "rough white metal and a light blue (measured 2.5)"),
    "InterpolationTest": (9.0, "light dielectric cubes, some of them small (measured 4.4)"),
    "MetalRoughSpheresNoTextures": (10.0, "metals and dielectrics of every roughness: every"
                                    " prefiltering and irradiance difference at once"
                                    " (measured 7.1)"),
    "MorphPrimitivesTest": (15.0, "a rough red dielectric facing the sky: the irradiance lobes"
                            " see the warm horizon differently (measured 11.4)"),
    "NormalTangentMirrorTest": (8.0, "smooth metal panels mirror the environment (measured"
                                " 3.9)"),
    "NormalTangentMirrorTestNoTangents": (8.0, "as NormalTangentMirrorTest, tangents derived in"
                                          " the fragment shader (measured 3.9)"),
    "NormalTangentMirrorTestFactors": (8.0, "as NormalTangentMirrorTest, rougher (measured 4.1)"),
    "SimpleMorph": (3.0, "no material: rough white metal, all of whose colour is the environment"
                    " prefiltered for roughness 1 (measured 1.3; the environment averaged as encoded bytes"
                    " made it 9.9)"),
    "TextureSettingsTest": (10.0, "our loader ignores sampler wrap modes and doubleSided by"
                            " design, so red crosses show where three.js draws ticks, on top of"
                            " the sRGB difference on a saturated blue (measured 8.2)"),
    "Triangle": (3.0, "as SimpleMorph (measured 1.3)"),
    "VertexColorTest": (10.0, "saturated vertex colours: the dark channels take the sRGB"
                        " difference (measured 8.0)"),
}

# Regions that show one feature each: (model, picture, name, (x0, y0, x1, y1) in pixels from the
# top left, tolerance in 1/255 of the mean absolute difference per channel, why that size).
# Before the mends they guard, they measured 55 (Box's brightness), 20 to 47 (factors) and more
# than 10 (derived tangents); with the derived tangents' determinant sign dropped the panels
# measure 7.6.
REGIONS = [
    ("Box", "ibl", "front face", (100, 120, 150, 170), 10.0,
     "a flat rough red dielectric face: its dark green and blue take the sRGB difference"
     " (measured 8.0)"),
    ("Box", "light", "front face", (100, 120, 150, 170), 10.0,
     "as above plus the point light, whose units match exactly (measured 6.8)"),
    ("BoxAnimated", "light", "front wall, left part", (22, 75, 50, 200), 7.0,
     "a flat lit wall, thin, with the inner box behind it: nothing but the irradiance differs"
     " (measured 3.4)"),
    ("NormalTangentMirrorTestNoTangents", "ibl", "metal panels", (146, 70, 222, 160), 6.0,
     "smooth bumps of metal mirror the environment: only the prefiltering differs (measured"
     " 3.1)"),
    ("NormalTangentMirrorTestNoTangents", "light", "metal panels", (146, 70, 222, 160), 6.0,
     "as above with the light's highlights, which both draw alike (measured 3.3)"),
    ("NormalTangentMirrorTestFactors", "ibl", "metal panels", (146, 70, 222, 160), 5.0,
     "as the panels without tangents (measured 2.3)"),
    ("NormalTangentMirrorTestFactors", "light", "metal panels", (146, 70, 222, 160), 7.0,
     "as the panels without tangents (measured 3.6)"),
    ("MetalRoughSpheresNoTextures", "ibl", "top sphere rows", (40, 46, 216, 80), 9.0,
     "metals and dielectrics of every roughness: the prefiltering differs most here"
     " (measured 5.6)"),
    ("MetalRoughSpheresNoTextures", "light", "top sphere rows", (40, 46, 216, 80), 9.0,
     "as above; highlights of smooth spheres fall on a few pixels of their own (measured 5.8)"),
]


def model_file(folder):
    """The first .gltf (else .glb) of a sample folder, or None."""
    for variant, extension in (("glTF", ".gltf"), ("glTF-Binary", ".glb")):
        directory = os.path.join(folder, variant)
        if os.path.isdir(directory):
            for name in sorted(os.listdir(directory)):
                if name.endswith(extension):
                    return os.path.join(directory, name)
    return None


def testdata_dir():
    """shared/testdata beside the repository (as CI lays it out) or the workplace's one."""
    for candidate in (os.environ.get("PLAYER_TESTDATA_DIR"),
                      os.path.join(os.path.dirname(SOURCE), "shared", "testdata"),
                      os.path.join(os.path.dirname(os.path.dirname(SOURCE)), "shared", "testdata")):
        if candidate and os.path.isdir(os.path.join(candidate, "gltf")):
            return candidate
    return None


def drop_tangents(document):
    for mesh in document["meshes"]:
        for primitive in mesh["primitives"]:
            primitive["attributes"].pop("TANGENT", None)


def set_factors(document):
    for material in document["materials"]:
        material.setdefault("pbrMetallicRoughness", {}).update(
            {"metallicFactor": 0.0, "roughnessFactor": 0.5})
        if "normalTexture" in material:
            material["normalTexture"]["scale"] = 0.5


# Copies of sample models changed to show what no sample shows: (model, suffix, change, why).
VARIANTS = [
    ("NormalTangentMirrorTest", "NoTangents", drop_tangents,
     "its normal map then needs tangents derived in the fragment shader"),
    ("NormalTangentMirrorTest", "Factors", set_factors,
     "metallic and roughness factors that scale its metallic-roughness texture, and a normal"
     " scale"),
]


def variant(model, out, suffix, change):
    """A copy of the model's folder in which the .gltf file is changed and renamed."""
    source = os.path.dirname(model)
    target = os.path.join(out, "models", os.path.basename(os.path.dirname(source)) + suffix)
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(source, target)
    path = os.path.join(target, os.path.basename(model))
    with open(path) as f:
        document = json.load(f)
    change(document)
    stem, extension = os.path.splitext(path)
    with open(stem + suffix + extension, "w") as f:
        json.dump(document, f)
    os.remove(path)
    return stem + suffix + extension


def models(testdata, out):
    """(name, file) of every sample model and its variants."""
    root = os.path.join(testdata, "gltf")
    found = []
    for name in sorted(os.listdir(root)):
        file = model_file(os.path.join(root, name))
        if file:
            found.append((name, file))
            for model, suffix, change, _why in VARIANTS:
                if model == name:
                    found.append((name + suffix, variant(file, out, suffix, change)))
    return found


REFUSED_EXIT = 1  # reference_render's exit code when the loader ends the run


def render_ours(found, failures):
    """Job files by model name. The renderer draws the models in one run (one environment
    prefiltering); a refused model ends the run, which goes on from the next model."""
    def output(file, ending):
        return os.path.join(OUT, os.path.splitext(os.path.basename(file))[0] + ending)

    for _name, file in found:
        for stale in ("_ours_ibl.png", "_ours_light.png", "_three_ibl.png", "_three_light.png"):
            if os.path.exists(output(file, stale)):
                os.remove(output(file, stale))
    jobs, pending = {}, list(found)
    while pending:
        run = subprocess.run([RENDERER, OUT, *(file for _name, file in pending)],
                             capture_output=True, text=True, timeout=600, cwd=SOURCE)
        drawn = {line[len("drawn "):] for line in run.stdout.splitlines()
                 if line.startswith("drawn ")}
        for name, file in pending:
            if file in drawn:
                jobs[name] = output(file, ".json")
        stopped = next((i for i, (_name, file) in enumerate(pending) if file not in drawn), None)
        if run.returncode == 0 or stopped is None:
            break
        name = pending[stopped][0]
        message = (run.stderr.strip().splitlines() or ["no message"])[-1]
        print(f"{name}: our renderer stopped ({run.returncode}): {message}")
        if run.returncode != REFUSED_EXIT:
            failures.append(f"{name}: our renderer failed: {run.stderr.strip()}")
            break
        if name not in REFUSED:
            failures.append(f"{name}: our loader refused it: {message}")
        pending = pending[stopped + 1:]
    return jobs


def compare(name, job, failures):
    tolerance = MODEL_TOLERANCES.get(name, (WHOLE_MODEL_TOLERANCE, ""))[0]
    sheet_rows = []
    for picture in ("ibl", "light"):
        ours = pictures.read_rgba(job["ours_" + picture])
        three = pictures.read_rgba(job["three_" + picture])
        mask = pictures.covered(ours, three)
        whole = pictures.mean_difference(ours, three, mask)
        print(f"{name} {picture}: {pictures.describe(whole)} over {sum(mask)} pixels")
        if not mask.count(1):
            failures.append(f"{name} {picture}: neither side drew the model")
        elif max(whole) > tolerance:
            failures.append(f"{name} {picture}: whole model differs by {pictures.describe(whole)}"
                            f" > {tolerance}")
        for model, which, region, box, region_tolerance, _reason in REGIONS:
            if model != name or which != picture:
                continue
            inside = pictures.box_mask(box, ours.width, ours.height)
            difference = pictures.mean_difference(ours, three, inside)
            print(f"{name} {picture} {region}: ours {pictures.describe(pictures.mean(ours, inside))}"
                  f", three.js {pictures.describe(pictures.mean(three, inside))},"
                  f" difference {pictures.describe(difference)}")
            if max(difference) > region_tolerance:
                failures.append(f"{name} {picture} {region}: differs by"
                                f" {pictures.describe(difference)} > {region_tolerance}")
        sheet_rows.append((ours, three))
    pictures.write_sheet(os.path.join(OUT, name + "_sheet.png"), sheet_rows)


def main():
    testdata = testdata_dir()
    if not testdata:
        print("no shared test data: skipped")
        return 77
    if not os.path.isdir(os.path.join(MODULES, "three")):
        print(f"three.js is not installed in {MODULES}")
        return 1
    os.makedirs(OUT, exist_ok=True)
    started = time.monotonic()
    failures = []
    jobs = render_ours(models(testdata, OUT), failures)
    print(f"our renderer: {len(jobs)} models in {time.monotonic() - started:.1f} s")
    three_started = time.monotonic()
    run = subprocess.run(["node", os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                               "threejs_render.mjs"), MODULES, *jobs.values()],
                         capture_output=True, text=True, timeout=600)
    print(run.stdout + run.stderr, end="")
    print(f"three.js: {time.monotonic() - three_started:.1f} s")
    if run.returncode != 0:
        failures.append("three.js failed on a model")
    for name, job_file in jobs.items():
        with open(job_file) as f:
            job = json.load(f)
        if os.path.exists(job["three_ibl"]):
            compare(name, job, failures)
    print(f"total {time.monotonic() - started:.1f} s; sheets in {OUT}")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
