// Draws one model the way the reference job (written by our renderer driver) describes it:
// same camera, same environment faces, same point light, no tone curve, sRGB output. The
// pictures are read back raw through WebGL; renderJob hands them to the caller as base64 RGBA,
// bottom row first.

import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';

// Our renderer lights from the environment with the single-scattering split sum of glTF's
// reference viewer: specular = radiance x (F0 A + B), diffuse = base colour x irradiance, A and B
// integrated over the GGX lobe. three.js adds a multiple-scattering term (up to twice as bright
// on rough metals) and takes its energy out of the diffuse part; and it takes A and B from a
// fitted curve ("environmentBRDF", Physically Based Shading on Mobile), which at roughness 1
// gives A + B = 0.45 where the integral gives 0.31 head-on (a rough metal a third too bright).
// Both are replaced here, the fit by the integral it fits, so that the pictures differ only
// where a renderer is wrong, not by a modelling choice.
const kIntegratedDfg = `vec2 DFGApprox( const in vec3 normal, const in vec3 viewDir, const in float roughness ) {
	// GGX half vectors importance-sampled along a Hammersley sequence, Smith-Schlick visibility
	// with k = alpha / 2, Schlick's Fresnel split into the parts that scale F0 and add to it.
	float dotNV = clamp( dot( normal, viewDir ), 1e-4, 1.0 );
	float alpha = roughness * roughness;
	float k = alpha / 2.0;
	vec3 V = vec3( sqrt( 1.0 - dotNV * dotNV ), 0.0, dotNV );
	vec2 sum = vec2( 0.0 );
	const uint COUNT = 64u;
	for ( uint i = 0u; i < COUNT; ++i ) {
		uint bits = ( i << 16u ) | ( i >> 16u );
		bits = ( ( bits & 0x55555555u ) << 1u ) | ( ( bits & 0xAAAAAAAAu ) >> 1u );
		bits = ( ( bits & 0x33333333u ) << 2u ) | ( ( bits & 0xCCCCCCCCu ) >> 2u );
		bits = ( ( bits & 0x0F0F0F0Fu ) << 4u ) | ( ( bits & 0xF0F0F0F0u ) >> 4u );
		bits = ( ( bits & 0x00FF00FFu ) << 8u ) | ( ( bits & 0xFF00FF00u ) >> 8u );
		vec2 xi = vec2( float( i ) / float( COUNT ), float( bits ) * 2.3283064365386963e-10 );
		float phi = 2.0 * PI * xi.x;
		float cosTheta = sqrt( ( 1.0 - xi.y ) / ( 1.0 + ( alpha * alpha - 1.0 ) * xi.y ) );
		float sinTheta = sqrt( 1.0 - cosTheta * cosTheta );
		vec3 H = vec3( sinTheta * cos( phi ), sinTheta * sin( phi ), cosTheta );
		vec3 L = 2.0 * dot( V, H ) * H - V;
		if ( L.z <= 0.0 ) continue;
		float dotVH = saturate( dot( V, H ) );
		float visibility = L.z / ( L.z * ( 1.0 - k ) + k ) / ( dotNV * ( 1.0 - k ) + k ) *
		                   dotVH / H.z;
		float fresnel = pow( 1.0 - dotVH, 5.0 );
		sum += visibility * vec2( 1.0 - fresnel, fresnel );
	}
	return sum / float( COUNT );
}
`;

function useSingleScatteringSplitSum() {
  let chunk = THREE.ShaderChunk.lights_physical_pars_fragment;
  const fit = chunk.match(/vec2 DFGApprox\([^]*?\n}\n/);
  if (!fit) throw new Error('three.js lighting code has changed: DFGApprox');
  chunk = chunk.replace(fit[0], kIntegratedDfg);
  const replacements = [
    ['reflectedLight.indirectSpecular += multiScattering * cosineWeightedIrradiance;', ''],
    ['vec3 diffuse = material.diffuseColor * ( 1.0 - max( max( totalScattering.r, totalScattering.g ), totalScattering.b ) );',
     'vec3 diffuse = material.diffuseColor;'],
  ];
  for (const [from, to] of replacements) {
    if (!chunk.includes(from)) throw new Error('three.js lighting code has changed: ' + from);
    chunk = chunk.replace(from, to);
  }
  THREE.ShaderChunk.lights_physical_pars_fragment = chunk;
}

useSingleScatteringSplitSum();

function loadImage(url) {
  return new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => resolve(image);
    image.onerror = () => reject(new Error('cannot load ' + url));
    image.src = url;
  });
}

// Our faces follow GL's cube-map layout; three.js looks cube textures up with x negated. A
// cube whose +X and -X faces are swapped and whose every face is mirrored left to right gives
// three.js our environment unmirrored.
async function loadEnvironment(faces) {
  const order = ['px', 'nx', 'py', 'ny', 'pz', 'nz'];
  const swapped = { px: 'nx', nx: 'px', py: 'py', ny: 'ny', pz: 'pz', nz: 'nz' };
  const canvases = [];
  for (const face of order) {
    const image = await loadImage('/fs' + faces[swapped[face]]);
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.translate(image.width, 0);
    context.scale(-1, 1);
    context.drawImage(image, 0, 0);
    canvases.push(canvas);
  }
  const cube = new THREE.CubeTexture(canvases);
  cube.colorSpace = THREE.SRGBColorSpace;
  cube.needsUpdate = true;
  return cube;
}

function vec(values) {
  return new THREE.Vector3(values[0], values[1], values[2]);
}

function makeRenderer(job) {
  const canvas = document.getElementById('view');
  const renderer = new THREE.WebGLRenderer({
    canvas, antialias: false, alpha: true, premultipliedAlpha: false, preserveDrawingBuffer: true,
  });
  renderer.setPixelRatio(1);
  renderer.setSize(job.width, job.height, false);
  renderer.outputColorSpace = THREE.SRGBColorSpace;
  renderer.toneMapping = THREE.NoToneMapping;
  const bg = job.background;
  renderer.setClearColor(new THREE.Color().setRGB(bg[0], bg[1], bg[2], THREE.SRGBColorSpace), bg[3]);
  renderer.shadowMap.enabled = job.shadows;
  return renderer;
}

// three.js clamps a point light's squared distance at 0.01, which dims the light on models much
// smaller than a unit. The page therefore draws everything scaled by 1 / model size: lengths
// times k and the light's intensity times k squared give the same picture without the clamp.
function sceneScale(job) {
  return 1.0 / job.model_size;
}

function makeCamera(job) {
  const c = job.camera;
  const k = sceneScale(job);
  const camera = new THREE.PerspectiveCamera(c.yfov_degrees, c.aspect, c.near * k, c.far * k);
  camera.position.copy(vec(c.eye).multiplyScalar(k));
  camera.up.copy(vec(c.up));
  camera.lookAt(vec(c.target).multiplyScalar(k));
  camera.updateMatrixWorld();
  return camera;
}

// Physically based units on both sides: intensity times colour over the squared distance, no
// range cut-off (distance 0, decay 2).
function makeLight(job) {
  const l = job.light;
  const k = sceneScale(job);
  const light = new THREE.PointLight(new THREE.Color().setRGB(l.color[0], l.color[1], l.color[2],
                                                               THREE.LinearSRGBColorSpace),
                                     l.intensity * k * k, 0, 2);
  light.position.copy(vec(l.position).multiplyScalar(k));
  light.castShadow = job.shadows;
  light.shadow.mapSize.set(512, 512);
  light.shadow.camera.near = l.shadow_near * k;
  light.shadow.camera.far = l.shadow_far * k;
  // Against shadow acne, as our shadow pass moves each point off its surface by about a texel.
  light.shadow.bias = -0.001;
  light.shadow.normalBias = 0.005;
  return light;
}

function readPixels(renderer, job) {
  const gl = renderer.getContext();
  const pixels = new Uint8Array(job.width * job.height * 4);
  gl.readPixels(0, 0, job.width, job.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  let text = '';
  for (let i = 0; i < pixels.length; i += 0x8000) {
    text += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
  }
  return btoa(text);
}

// The renderer and the prefiltered environment are made once and kept for every later job with
// the same size and faces: prefiltering is the slowest step in software WebGL.
let kept = null;

async function keptRenderer(job) {
  const key = JSON.stringify([job.width, job.height, job.shadows, job.background,
                              job.environment.faces]);
  if (kept && kept.key === key) return kept;
  if (kept) kept.renderer.dispose();
  const renderer = makeRenderer(job);
  const pmrem = new THREE.PMREMGenerator(renderer);
  const environment = pmrem.fromCubemap(await loadEnvironment(job.environment.faces)).texture;
  pmrem.dispose();
  kept = { key, renderer, environment };
  return kept;
}

async function renderJob(job) {
  const { renderer, environment } = await keptRenderer(job);
  const scene = new THREE.Scene();
  scene.environment = environment;
  scene.environmentIntensity = job.environment.intensity;
  const gltf = await new GLTFLoader().loadAsync('/fs' + job.model);
  // Our loader takes no lights or cameras from the file.
  const unused = [];
  gltf.scene.traverse((object) => {
    if (object.isLight || object.isCamera) unused.push(object);
    if (object.isMesh) {
      object.castShadow = true;
      object.receiveShadow = true;
    }
  });
  for (const object of unused) object.removeFromParent();
  const scaled = new THREE.Group();
  scaled.scale.setScalar(sceneScale(job));
  scaled.add(gltf.scene);
  scene.add(scaled);
  // The first animation, posed at the job's time, as our renderer poses it.
  if (gltf.animations.length > 0) {
    const mixer = new THREE.AnimationMixer(gltf.scene);
    mixer.clipAction(gltf.animations[0]).play();
    mixer.setTime(job.animation_time);
  }
  const camera = makeCamera(job);
  const pictures = {};
  renderer.render(scene, camera);
  pictures.ibl = readPixels(renderer, job);
  scene.add(makeLight(job));
  renderer.render(scene, camera);
  pictures.light = readPixels(renderer, job);
  return pictures;
}

window.renderJob = renderJob;
window.pageReady = true;
