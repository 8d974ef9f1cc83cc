// Loads the exports in the folder given (made with ENGINE_EXPORT_OPTIONS) with
// the engines' own parsers: spine-core's TextureAtlas for sheet.atlas, and
// PixiJS 7's and 8's Spritesheet for the pages sheet-0.json ... sheet-2.json
// of the hash form. Prints each failed expectation; exits 1 if any failed.
import fs from 'fs';
import path from 'path';

globalThis.navigator ??= { userAgent: 'node' };  // PixiJS asks it on import
const folder = process.argv[2];
const failures = [];
function expect(what, got, want) {
  const g = JSON.stringify(got), w = JSON.stringify(want);
  if (g !== w) failures.push(`${what}: got ${g}, want ${w}`);
}

// Direction d sits on line d % 4 of page d / 4; frame i of it at
// x = 100 i + 1, y = 100 (d % 4) + 1, 96 x 96 (the 48 x 48 beetle doubled).
const frames = [
  // name, index, page, x, y
  ['NoDirection', 0, 0, 1, 1],
  ['Left', 3, 0, 301, 101],
  ['Up', 1, 0, 101, 301],
  ['RightUp', 0, 1, 1, 1],
  ['Down', 2, 1, 201, 301],
  ['LeftDown', 3, 2, 301, 1],
];

async function checkAtlas() {
  const { TextureAtlas } = await import('@esotericsoftware/spine-core');
  const atlas = new TextureAtlas(fs.readFileSync(path.join(folder, 'sheet.atlas'), 'utf8'));
  expect('atlas pages', atlas.pages.map((p) => [p.name, p.width, p.height]),
         [['sheet-0.png', 398, 398], ['sheet-1.png', 398, 398], ['sheet-2.png', 398, 98]]);
  expect('atlas regions', atlas.regions.length, 36);
  for (const [name, index, page, x, y] of frames) {
    const region = atlas.regions.find((r) => r.name === name && r.index === index);
    expect(`atlas ${name} ${index}`,
           region && [region.page.name, region.x, region.y, region.width, region.height,
                      region.originalWidth, region.degrees],
           [`sheet-${page}.png`, x, y, 96, 96, 96, 0]);
  }
}

// Pixi 7 takes a BaseTexture, Pixi 8 a TextureSource; both only need sizes.
async function loadPages(version) {
  const pixi = await import(version === 7 ? 'pixi7' : 'pixi8');
  const textures = {}, animations = [];
  for (let page = 0; page < 3; ++page) {
    const data = JSON.parse(fs.readFileSync(path.join(folder, `sheet-${page}.json`), 'utf8'));
    const size = { width: data.meta.size.w, height: data.meta.size.h };
    const texture = version === 7 ? new pixi.BaseTexture(null, size)
                                  : new pixi.Texture({ source: new pixi.TextureSource(size) });
    const sheet = new pixi.Spritesheet(texture, data);
    Object.assign(textures, await sheet.parse());
    for (const [name, list] of Object.entries(sheet.animations))
      animations.push(`${page}:${name}:${list.filter((t) => t).length}`);
  }
  return { textures, animations };
}

async function checkPixi(version) {
  const { textures, animations } = await loadPages(version);
  expect(`pixi ${version} textures`, Object.keys(textures).length, 36);
  expect(`pixi ${version} animations`, animations,
         ['0:NoDirection:4', '0:Left:4', '0:LeftUp:4', '0:Up:4', '1:RightUp:4', '1:Right:4',
          '1:RightDown:4', '1:Down:4', '2:LeftDown:4']);
  for (const [name, index, , x, y] of frames) {
    const t = textures[`${name}_${index}`];
    // Left's pivot is 12,47 of 48 x 48; every other direction's 24,40.
    const anchor = name === 'Left' ? [0.25, 47 / 48] : [0.5, 40 / 48];
    expect(`pixi ${version} ${name}_${index}`,
           t && [t.frame.x, t.frame.y, t.width, t.height, t.defaultAnchor.x, t.defaultAnchor.y],
           [x, y, 96, 96, ...anchor]);
  }
}

await checkAtlas();
await checkPixi(7);
await checkPixi(8);
for (const failure of failures) console.log(failure);
process.exit(failures.length ? 1 : 0);
