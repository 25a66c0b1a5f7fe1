// The 3D view: the kept part in its colours, the removed part faint (or
// hidden), the splitting planes, orbit controls; or, after a check, the file
// faint and the elements of the lines with findings marked. Models arrive as
// packed LDraw text (packed_model.js) and are read by three.js's LDrawLoader.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { LDrawLoader } from 'three/addons/loaders/LDrawLoader.js';
import { LDrawConditionalLineMaterial } from 'three/addons/materials/LDrawConditionalLineMaterial.js';

// Colours for a library without LDConfig.ldr: the main and edge colours and
// a few common ones, as "0 !COLOUR" lines that LDrawLoader reads.
const kBasicColours = [
  '0 !COLOUR Main_Colour CODE 16 VALUE #FFFF80 EDGE #333333',
  '0 !COLOUR Edge_Colour CODE 24 VALUE #7F7F7F EDGE #333333',
  '0 !COLOUR Black CODE 0 VALUE #1B2A34 EDGE #808080',
  '0 !COLOUR Blue CODE 1 VALUE #1E5AA8 EDGE #333333',
  '0 !COLOUR Green CODE 2 VALUE #00852B EDGE #333333',
  '0 !COLOUR Red CODE 4 VALUE #B40000 EDGE #333333',
  '0 !COLOUR Yellow CODE 14 VALUE #FAC80A EDGE #333333',
  '0 !COLOUR White CODE 15 VALUE #F4F4F4 EDGE #333333',
  '0 !COLOUR Light_Bluish_Grey CODE 71 VALUE #A0A5A9 EDGE #333333',
  '0 !COLOUR Dark_Bluish_Grey CODE 72 VALUE #6C6E68 EDGE #333333',
].join('\n');

export const kBackground = 0x1d2127;
// The colour of marked elements: far from the background, the faint part
// and the planes, and from the usual colours of parts.
export const kMarkColour = 0xff2d95;

async function loadModel(text, coloursText) {
  const loader = new LDrawLoader();
  loader.setConditionalLineMaterial(LDrawConditionalLineMaterial);
  const url = URL.createObjectURL(new Blob([coloursText ?? kBasicColours]));
  try {
    await loader.preloadMaterials(url);
  } finally {
    URL.revokeObjectURL(url);
  }
  return new Promise((resolve, reject) => loader.parse(text, resolve, reject));
}

// Every mesh and line of `group` drawn faint and in one colour.
function makeFaint(group) {
  const faces = new THREE.MeshBasicMaterial({
    color: 0x8899aa, transparent: true, opacity: 0.12, depthWrite: false, side: THREE.DoubleSide,
  });
  const lines = new THREE.LineBasicMaterial({ color: 0x8899aa, transparent: true, opacity: 0.25 });
  group.traverse((object) => {
    if (object.isMesh) object.material = faces;
    else if (object.isLineSegments && !object.isConditionalLine) object.material = lines;
    else if (object.isLineSegments) object.visible = false;
  });
}

// Every element of `group` drawn in the marks' colour, in front of what
// lies in the same place, each corner a dot: an element too small or too
// thin to see (points that coincide, a polygon seen edge on) shows as one.
// Conditional lines (in marked subfiles) are left out, as outlines that
// come and go.
function makeMarked(group) {
  const faces = new THREE.MeshBasicMaterial({
    color: kMarkColour, side: THREE.DoubleSide, polygonOffset: true, polygonOffsetFactor: -1,
    polygonOffsetUnits: -4,
  });
  const lines = new THREE.LineBasicMaterial({ color: kMarkColour });
  const corners = new THREE.PointsMaterial({ color: kMarkColour, size: 5, sizeAttenuation: false });
  const drawn = [];
  group.traverse((object) => {
    if (object.isMesh) {
      object.material = faces;
      drawn.push(object);
    } else if (object.isLineSegments && !object.isConditionalLine) {
      object.material = lines;
      drawn.push(object);
    } else if (object.isLineSegments) {
      object.visible = false;
    }
  });
  for (const object of drawn) object.add(new THREE.Points(object.geometry, corners));
}

// A square of side `size` on the plane through `point` with normal `normal`,
// in LDraw coordinates.
function planeMesh(point, normal, size) {
  const geometry = new THREE.PlaneGeometry(size, size);
  const material = new THREE.MeshBasicMaterial({
    color: 0x4fc3f7, transparent: true, opacity: 0.18, side: THREE.DoubleSide, depthWrite: false,
  });
  const mesh = new THREE.Mesh(geometry, material);
  mesh.quaternion.setFromUnitVectors(new THREE.Vector3(0, 0, 1), normal.clone().normalize());
  mesh.position.copy(point);
  const border = new THREE.LineSegments(
    new THREE.EdgesGeometry(geometry),
    new THREE.LineBasicMaterial({ color: 0x4fc3f7, transparent: true, opacity: 0.6 }),
  );
  mesh.add(border);
  return mesh;
}

export class ModelView {
  constructor(canvas) {
    this.canvas = canvas;
    this.renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(kBackground);
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x444455, 2.2));
    const light = new THREE.DirectionalLight(0xffffff, 1.6);
    light.position.set(2, 3, 4);
    this.scene.add(light);
    this.camera = new THREE.PerspectiveCamera(40, 1, 0.1, 100000);
    this.controls = new OrbitControls(this.camera, canvas);
    this.controls.addEventListener('change', () => this.render());
    // LDraw's y axis points down: the model is turned over about x, which
    // keeps x pointing right.
    this.model = new THREE.Group();
    this.model.rotation.x = Math.PI;
    this.scene.add(this.model);
    this.kept = null;
    this.removed = null;
    this.showRemoved = true;
    this.showPlanes = true;
    this.planes = [];
    this.center = null;
    this.coloursText = null;
    this.lastMarks = 0;  // Numbers the marks asked for: only the last are shown.
    new ResizeObserver(() => this.resize()).observe(canvas);
    this.resize();
  }

  resize() {
    const width = this.canvas.clientWidth;
    const height = this.canvas.clientHeight;
    if (width === 0 || height === 0) return;
    this.renderer.setSize(width, height, false);
    this.camera.aspect = width / height;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  render() {
    this.renderer.render(this.scene, this.camera);
  }

  setShowRemoved(show) {
    this.showRemoved = show;
    if (this.removed) this.removed.visible = show;
    this.render();
  }

  setShowPlanes(show) {
    this.showPlanes = show;
    for (const plane of this.planes) plane.visible = show;
    this.render();
  }

  clear() {
    ++this.lastMarks;
    for (const child of [...this.model.children]) this.model.remove(child);
    this.kept = null;
    this.removed = null;
    this.planes = [];
    this.render();
  }

  // Shows `keptText` and `removedText` (packed LDraw, or null) and the
  // planes, each {point, normal} in LDraw coordinates; colours from
  // `coloursText` (an LDConfig.ldr) or the basic ones.
  async show(keptText, removedText, planes, coloursText) {
    const kept = keptText ? await loadModel(keptText, coloursText) : null;
    const removed = removedText ? await loadModel(removedText, coloursText) : null;
    if (removed) makeFaint(removed);
    this.place(kept, removed, planes, coloursText);
  }

  // Shows a checked file, `modelText`, faint, with the elements of
  // `markedText` marked (both packed LDraw); the faint part follows
  // setShowRemoved.
  async showChecked(modelText, markedText, coloursText) {
    const model = await loadModel(modelText, coloursText);
    const marks = await loadModel(markedText, coloursText);
    makeFaint(model);
    makeMarked(marks);
    this.place(marks, model, [], coloursText);
  }

  // Marks the elements of `markedText` in place of those marked before,
  // the model and the camera left as they are.
  async setMarks(markedText) {
    const ticket = ++this.lastMarks;
    const marks = await loadModel(markedText, this.coloursText);
    if (ticket !== this.lastMarks) return;
    makeMarked(marks);
    if (this.kept) this.model.remove(this.kept);
    this.kept = marks;
    this.model.add(marks);
    this.render();
  }

  place(kept, removed, planes, coloursText) {
    this.clear();
    this.coloursText = coloursText;
    if (kept) {
      this.kept = kept;
      this.model.add(kept);
    }
    if (removed) {
      removed.visible = this.showRemoved;
      this.removed = removed;
      this.model.add(removed);
    }
    this.model.updateMatrixWorld(true);
    const box = new THREE.Box3();
    for (const part of [kept, removed]) if (part) box.expandByObject(part);
    if (box.isEmpty()) box.setFromCenterAndSize(new THREE.Vector3(), new THREE.Vector3(40, 40, 40));
    // The box is in world coordinates; the planes are drawn in the model's.
    const size = box.getSize(new THREE.Vector3()).length();
    const center = box.getCenter(new THREE.Vector3());
    const modelCenter = this.model.worldToLocal(center.clone());
    // Each plane's square is centred where the model's centre meets it.
    for (const plane of planes) {
      const normal = plane.normal.clone().normalize();
      const offset = modelCenter.clone().sub(plane.point);
      const point = plane.point.clone().add(offset.sub(normal.clone().multiplyScalar(offset.dot(normal))));
      const mesh = planeMesh(point, normal, size * 1.1);
      mesh.visible = this.showPlanes;
      this.planes.push(mesh);
      this.model.add(mesh);
    }
    this.center = center;
    this.distance = size * 1.4 + 1;
    this.camera.near = this.distance / 100;
    this.camera.far = this.distance * 100;
    this.camera.updateProjectionMatrix();
    this.look('angle');
  }

  // Looks at the model from a direction: "angle" (front, right and above),
  // "front" (along -z, x to the right, y up as LDraw's -y), "top", "side".
  look(direction) {
    if (!this.center) return;
    const directions = {
      angle: new THREE.Vector3(0.45, 0.5, 1),
      front: new THREE.Vector3(0, 0, 1),
      top: new THREE.Vector3(0, 1, 0.0001),
      side: new THREE.Vector3(1, 0, 0),
    };
    const unit = (directions[direction] ?? directions.angle).clone().normalize();
    this.camera.position.copy(this.center).addScaledVector(unit, this.distance);
    this.controls.target.copy(this.center);
    this.controls.update();
    this.render();
  }
}
