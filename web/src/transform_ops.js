// SPDX-License-Identifier: Apache-2.0
// The worker's side of the 坐标转换 tab: the core's solution from common
// points and its point mover (web/core/transform.cpp), nothing computed here.
export const transformOps = {
  solveTransform: (core, { points, model, coordinateFrame, source, target, zone3, cm, rejectK }) =>
    core.solveTransform(points, model, coordinateFrame, source, target, zone3, cm, rejectK),
  transformPoints: (core, { params, text, inverse, zone3, cm }) =>
    core.transformPoints(params, text, inverse, zone3, cm),
};
