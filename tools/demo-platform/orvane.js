// VexaOrvane, the demo platform's game: catch the falling stars with the
// lantern boat, dodge the comets.  Served by the game host as a cacheable
// asset.  Until the player touches a key or the mouse, an autopilot plays,
// so the document title (the score) changes by itself.
(function () {
  "use strict";
  var cfg = window.ORVANE || {server: "", player: "", info: ""};
  var canvas = document.getElementById("game");
  var ctx = canvas.getContext("2d");
  var W = 0, H = 0, ratio = window.devicePixelRatio || 1;
  var sky = [], items = [], sparks = [];
  var boat = {x: 0, w: 96, target: null};
  var score = 0, lives = 3, level = 1, mode = "ready", auto = true, lastTitle = "";
  var spawnTimer = 0, readyTimer = 1.0, last = 0, seed = 1062;

  function rand() { seed = (seed * 1103515245 + 12345) & 0x7fffffff; return seed / 0x7fffffff; }

  function resize() {
    var r = canvas.parentNode.getBoundingClientRect();
    W = Math.max(320, Math.floor(r.width)); H = Math.max(240, Math.floor(r.height));
    canvas.width = W * ratio; canvas.height = H * ratio;
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    sky = [];
    for (var i = 0; i < 140; i++) sky.push({x: rand() * W, y: rand() * H * 0.8, r: 0.5 + rand() * 1.4, p: rand() * 6.28});
    if (!boat.x) boat.x = W / 2;
  }

  function setTitle() {
    var t;
    if (mode === "over") t = cfg.player + " · 游戏结束 得分 " + score + " · VexaOrvane";
    else if (mode === "ready") t = "VexaOrvane · " + cfg.server;
    else t = "得分 " + score + " · 第 " + level + " 关 · VexaOrvane";
    if (t !== lastTitle) { document.title = t; lastTitle = t; }
  }

  function start() {
    score = 0; lives = 3; level = 1; items = []; sparks = []; spawnTimer = 0; mode = "play";
    setTitle();
  }

  function spawn() {
    var roll = rand(), kind = roll < 0.72 ? "star" : roll < 0.93 ? "comet" : "moon";
    var speed = 90 + level * 22 + rand() * 60;
    items.push({kind: kind, x: 20 + rand() * (W - 40), y: -20, v: kind === "comet" ? speed * 1.25 : speed,
                r: kind === "moon" ? 13 : kind === "comet" ? 10 : 9, spin: rand() * 6.28});
  }

  function burst(x, y, colour) {
    for (var i = 0; i < 14; i++) {
      var a = rand() * 6.28, s = 40 + rand() * 120;
      sparks.push({x: x, y: y, vx: Math.cos(a) * s, vy: Math.sin(a) * s - 40, t: 0.7, c: colour});
    }
  }

  function autopilot() {
    var best = null, bestScore = -1e9, by = H - 40;
    for (var i = 0; i < items.length; i++) {
      var it = items[i], eta = (by - it.y) / it.v;
      if (eta < 0) continue;
      var value = it.kind === "comet" ? -1 : 1;
      var s = value * (10 - eta * 3) - Math.abs(it.x - boat.x) / W;
      if (value > 0 && s > bestScore) { bestScore = s; best = it; }
    }
    boat.target = best ? best.x : W / 2;
    for (var j = 0; j < items.length; j++) {
      var c = items[j];
      if (c.kind === "comet" && c.y > H - 200 && Math.abs(c.x - boat.target) < boat.w * 0.7)
        boat.target += c.x < boat.target ? boat.w : -boat.w;
    }
  }

  function update(dt) {
    for (var s = 0; s < sparks.length; s++) {
      var k = sparks[s]; k.t -= dt; k.x += k.vx * dt; k.y += k.vy * dt; k.vy += 160 * dt;
    }
    sparks = sparks.filter(function (k) { return k.t > 0; });
    if (mode === "ready") { readyTimer -= dt; if (readyTimer <= 0) start(); return; }
    if (mode !== "play") return;
    if (auto) autopilot();
    if (boat.target !== null) {
      var d = boat.target - boat.x, step = 520 * dt;
      boat.x += Math.abs(d) < step ? d : (d > 0 ? step : -step);
    }
    boat.x = Math.max(boat.w / 2, Math.min(W - boat.w / 2, boat.x));
    spawnTimer -= dt;
    if (spawnTimer <= 0) { spawn(); spawnTimer = Math.max(0.28, 1.0 - level * 0.07) * (0.6 + rand() * 0.8); }
    var by = H - 40;
    for (var i = 0; i < items.length; i++) {
      var it = items[i];
      it.y += it.v * dt; it.spin += dt * 3;
      if (!it.gone && it.y > by - 14 && it.y < by + 12 && Math.abs(it.x - boat.x) < boat.w / 2 + it.r) {
        it.gone = true;
        if (it.kind === "comet") {
          lives -= 1; burst(it.x, by, "#ff6b6b");
          if (lives <= 0) { mode = "over"; }
        } else {
          score += it.kind === "moon" ? 5 : 1; burst(it.x, by, it.kind === "moon" ? "#8fd0ff" : "#ffd36b");
          level = 1 + Math.floor(score / 15);
        }
      }
    }
    items = items.filter(function (it) { return !it.gone && it.y < H + 30; });
    setTitle();
  }

  function drawStar(x, y, r, spin, colour) {
    ctx.save(); ctx.translate(x, y); ctx.rotate(spin); ctx.beginPath();
    for (var i = 0; i < 10; i++) {
      var rr = i % 2 ? r * 0.45 : r, a = i * Math.PI / 5;
      ctx.lineTo(Math.sin(a) * rr, -Math.cos(a) * rr);
    }
    ctx.closePath(); ctx.fillStyle = colour; ctx.shadowColor = colour; ctx.shadowBlur = 12; ctx.fill();
    ctx.restore();
  }

  function draw(now) {
    var g = ctx.createLinearGradient(0, 0, 0, H);
    g.addColorStop(0, "#070b1f"); g.addColorStop(0.7, "#1f2660"); g.addColorStop(1, "#5a2f5c");
    ctx.fillStyle = g; ctx.fillRect(0, 0, W, H);
    for (var i = 0; i < sky.length; i++) {
      var s = sky[i];
      ctx.globalAlpha = 0.45 + 0.45 * Math.sin(now / 700 + s.p);
      ctx.fillStyle = "#fff"; ctx.fillRect(s.x, s.y, s.r, s.r);
    }
    ctx.globalAlpha = 1;
    ctx.fillStyle = "#fff3c4"; ctx.beginPath(); ctx.arc(W - 120, 90, 36, 0, 6.29); ctx.fill();
    ctx.fillStyle = "#161c4a"; ctx.beginPath();
    ctx.moveTo(0, H - 60); ctx.lineTo(W * 0.18, H - 150); ctx.lineTo(W * 0.35, H - 80); ctx.lineTo(W * 0.55, H - 170);
    ctx.lineTo(W * 0.78, H - 90); ctx.lineTo(W, H - 140); ctx.lineTo(W, H); ctx.lineTo(0, H); ctx.fill();
    ctx.fillStyle = "#0a0d24"; ctx.fillRect(0, H - 30, W, 30);
    for (var j = 0; j < items.length; j++) {
      var it = items[j];
      if (it.kind === "star") drawStar(it.x, it.y, it.r, it.spin, "#ffd36b");
      else if (it.kind === "moon") drawStar(it.x, it.y, it.r, it.spin, "#8fd0ff");
      else {
        var tail = ctx.createLinearGradient(it.x, it.y - 60, it.x, it.y);
        tail.addColorStop(0, "rgba(255,107,107,0)"); tail.addColorStop(1, "rgba(255,107,107,.9)");
        ctx.fillStyle = tail; ctx.fillRect(it.x - 4, it.y - 60, 8, 60);
        ctx.fillStyle = "#ffb0a0"; ctx.beginPath(); ctx.arc(it.x, it.y, it.r, 0, 6.29); ctx.fill();
      }
    }
    for (var k = 0; k < sparks.length; k++) {
      ctx.globalAlpha = Math.max(0, sparks[k].t / 0.7); ctx.fillStyle = sparks[k].c;
      ctx.fillRect(sparks[k].x, sparks[k].y, 3, 3);
    }
    ctx.globalAlpha = 1;
    var by = H - 40;
    ctx.fillStyle = "#c98a2b"; ctx.beginPath();
    ctx.moveTo(boat.x - boat.w / 2, by); ctx.lineTo(boat.x + boat.w / 2, by);
    ctx.lineTo(boat.x + boat.w / 2 - 14, by + 16); ctx.lineTo(boat.x - boat.w / 2 + 14, by + 16); ctx.fill();
    ctx.fillStyle = "#ffd36b"; ctx.shadowColor = "#ffb84d"; ctx.shadowBlur = 18;
    ctx.fillRect(boat.x - 7, by - 22, 14, 18); ctx.shadowBlur = 0;
    ctx.font = "bold 18px sans-serif"; ctx.fillStyle = "#ffd36b"; ctx.textAlign = "left";
    ctx.fillText("得分 Score " + score, 16, 30);
    ctx.fillStyle = "#ff8080"; ctx.fillText("生命 " + new Array(Math.max(0, lives) + 1).join("\u2665"), 16, 56);
    ctx.fillStyle = "#8fd0ff"; ctx.fillText("第 " + level + " 关 Level", 16, 82);
    ctx.textAlign = "center";
    if (mode === "play" && auto) {
      ctx.font = "14px sans-serif"; ctx.fillStyle = "rgba(220,230,255,.75)";
      ctx.fillText("自动演示中 · 按方向键或移动鼠标接管  Autopilot: press an arrow key to take over", W / 2, 30);
    } else if (mode === "ready") {
      ctx.font = "bold 30px sans-serif"; ctx.fillStyle = "#fff"; ctx.fillText("准备 Ready", W / 2, H / 2);
    } else if (mode === "paused" || mode === "over") {
      ctx.fillStyle = "rgba(0,0,0,.45)"; ctx.fillRect(0, 0, W, H);
      ctx.font = "bold 32px sans-serif"; ctx.fillStyle = "#fff";
      ctx.fillText(mode === "over" ? "游戏结束 Game over · " + score : "暂停 Paused", W / 2, H / 2);
      ctx.font = "16px sans-serif"; ctx.fillText("按空格继续 Press Space", W / 2, H / 2 + 34);
    }
  }

  function frame(now) {
    var dt = last ? Math.min(0.05, (now - last) / 1000) : 0;
    last = now;
    update(dt); draw(now);
    window.requestAnimationFrame(frame);
  }

  function takeOver() { auto = false; }

  document.addEventListener("keydown", function (e) {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    var key = e.key;
    if (key === "ArrowLeft") { takeOver(); boat.target = boat.x - 140; e.preventDefault(); }
    else if (key === "ArrowRight") { takeOver(); boat.target = boat.x + 140; e.preventDefault(); }
    else if (key === " ") {
      if (mode === "over" || mode === "ready") start();
      else mode = mode === "paused" ? "play" : "paused";
      e.preventDefault();
    } else if (key === "p" || key === "P") document.getElementById("news").click();
    else if (key === "d" || key === "D") document.getElementById("download").click();
    else if (key === "l" || key === "L") document.getElementById("back").click();
  });
  canvas.addEventListener("mousemove", function (e) {
    takeOver(); boat.target = e.clientX - canvas.getBoundingClientRect().left;
  });
  canvas.addEventListener("mousedown", function () { if (mode !== "play") start(); });
  window.addEventListener("resize", resize);

  if (cfg.info && window.fetch) {
    fetch(cfg.info, {credentials: "same-origin", cache: "no-store"}).then(function (r) { return r.json(); })
      .then(function (d) {
        document.getElementById("assets").textContent =
          "下载 " + d.asset_downloads + " 次 · 缓存验证 " + d.asset_revalidations + " 次 (downloads / revalidations)";
      }).catch(function () {});
  }
  resize();
  setTitle();
  window.requestAnimationFrame(frame);
})();
