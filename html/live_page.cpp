// live/index.html: one page for phones, without a framework or anything from outside,
// that works from the folder itself (file://) as well as from a web server. Browsers
// refuse fetch() of file:// addresses, so the page loads results.js, the data as a
// script, through a fresh <script> element every 15 seconds (?every=N to change) and
// redraws when the data's version changed; the time of the data is shown always.
// Starred teams ("my teams") are kept in localStorage and shown on top.
#include "html/live_results.h"
#include "platform/cp932.h"

namespace korvel {

namespace {

// Written in the program's CP932 like every text of it; converted once when used.
const char PAGE[] = R"PAGE(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="KORVEL32 version 3.74">
<title>速報</title>
<style>
body { font-family: sans-serif; margin: 0; padding: 0 0 2em 0; color: #111; background: #fff; }
header { background: #036; color: #fff; padding: 0.5em 0.7em; }
header h1 { font-size: 1.15em; margin: 0; }
#info { font-size: 0.85em; margin-top: 0.2em; }
#state { color: #fc6; }
nav { display: flex; flex-wrap: wrap; gap: 0.3em; padding: 0.5em; background: #eef; }
nav button { font-size: 0.95em; padding: 0.35em 0.7em; border: 1px solid #99c; border-radius: 1em; background: #fff; }
nav button.on { background: #036; color: #fff; }
h2 { font-size: 1em; margin: 0.7em 0.5em 0.3em; }
.reach { font-size: 0.85em; color: #444; margin: 0 0.5em 0.4em; }
.scroll { overflow-x: auto; }
table { border-collapse: collapse; font-size: 0.9em; }
th, td { border-bottom: 1px solid #ddd; padding: 0.25em 0.4em; white-space: nowrap; vertical-align: top; }
th { background: #f4f4f8; font-weight: normal; font-size: 0.85em; }
td.rank { text-align: right; font-weight: bold; }
td.team { white-space: normal; min-width: 7em; }
td.sec { font-size: 0.85em; text-align: right; }
.r1 { background: #ffd700; } .r2 { background: #c0c0c0; } .r3 { background: #cd853f; }
.star { border: none; background: none; font-size: 1.2em; color: #bbb; padding: 0 0.2em; cursor: pointer; }
.star.on { color: #e90; }
tr.mine td { background: #fff8e0; }
small { color: #555; }
</style>
</head>
<body>
<header><h1 id="event">速報</h1><div id="info"><span id="generated">データを読み込んでいます</span> <span id="state"></span></div></header>
<nav id="tabs"></nav>
<div id="mine"></div>
<div id="board"></div>
<script>
"use strict";
var data = null, shown = -1, division = 0;
var every = Number(new URLSearchParams(location.search).get("every")) || 15;
var stars = {};
try { stars = JSON.parse(localStorage.getItem("korvel-live-stars") || "{}") || {}; } catch (e) { stars = {}; }

function el(tag, cls, text) {
  var e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined && text !== null) e.textContent = String(text);
  return e;
}
function time(s) {
  if (s === null || s === undefined) return "";
  var h = Math.floor(s / 3600), m = Math.floor(s / 60) % 60, x = s % 60;
  return (h ? h + ":" + (m < 10 ? "0" : "") : "") + m + ":" + (x < 10 ? "0" : "") + x;
}
function rankText(r) { return r === null || r === undefined ? "" : "(" + r + ")"; }
function key(d, t) { return d.no + ":" + t.no; }
function saveStars() { try { localStorage.setItem("korvel-live-stars", JSON.stringify(stars)); } catch (e) {} }

function teamRow(d, t) {
  var tr = el("tr", stars[key(d, t)] ? "mine" : "");
  var rank = el("td", "rank " + (t.rank && t.rank <= 3 ? "r" + t.rank : ""), t.rank === null ? "" : t.rank);
  tr.appendChild(rank);
  var name = el("td", "team");
  var star = el("button", "star" + (stars[key(d, t)] ? " on" : ""), stars[key(d, t)] ? "★" : "☆");
  star.title = "マイチーム";
  star.onclick = function () {
    if (stars[key(d, t)]) delete stars[key(d, t)]; else stars[key(d, t)] = true;
    saveStars();
    draw();
  };
  name.appendChild(star);
  name.appendChild(document.createTextNode(t.no + " " + t.name + (t.open ? " (オープン)" : "")));
  tr.appendChild(name);
  tr.appendChild(el("td", "sec", time(t.seconds) + (t.finished ? " ゴール" : "")));
  var upto = d.reached === null ? 0 : d.reached;
  for (var i = 0; i < t.sections.length && i < upto; i++) {
    var s = t.sections[i];
    var td = el("td", "sec " + (s.rank && s.rank <= 3 ? "r" + s.rank : ""));
    td.appendChild(el("div", "", (s.carried_start ? "&" : "") + s.runner));
    td.appendChild(el("div", "", time(s.seconds) + " " + rankText(s.rank)));
    td.appendChild(el("small", "", time(s.cumulative_seconds) + " " + rankText(s.cumulative_rank)));
    tr.appendChild(td);
  }
  return tr;
}

function table(d, teams) {
  var box = el("div", "scroll"), t = el("table"), head = el("tr");
  head.appendChild(el("th", "", "順位"));
  head.appendChild(el("th", "", "チーム"));
  head.appendChild(el("th", "", "記録"));
  var upto = d.reached === null ? 0 : d.reached;
  for (var i = 1; i <= upto; i++) {
    var st = d.stations[i];
    head.appendChild(el("th", "", i + "区 → " + (st ? st.name : "")));
  }
  t.appendChild(head);
  teams.forEach(function (team) { t.appendChild(teamRow(d, team)); });
  box.appendChild(t);
  return box;
}

function reachText(d) {
  if (d.reached === null) return "まだ記録がありません";
  var st = d.stations[d.reached];
  return (d.reached === d.stations.length - 1 ? "ゴール" : "第" + d.reached + "中継所") +
         (st ? " " + st.name : "") + " (" + (st ? st.km : "") + "km) まで";
}

function draw() {
  if (!data) return;
  document.title = data.event + " 速報";
  document.getElementById("event").textContent = data.event;
  var tabs = document.getElementById("tabs");
  tabs.textContent = "";
  if (division >= data.divisions.length) division = 0;
  data.divisions.forEach(function (d, i) {
    var b = el("button", i === division ? "on" : "", d.name);
    b.onclick = function () { division = i; location.hash = "d" + d.no; draw(); };
    tabs.appendChild(b);
  });
  var mine = document.getElementById("mine");
  mine.textContent = "";
  data.divisions.forEach(function (d) {
    var chosen = d.teams.filter(function (t) { return stars[key(d, t)]; });
    if (!chosen.length) return;
    mine.appendChild(el("h2", "", "★ マイチーム: " + d.name));
    mine.appendChild(table(d, chosen));
  });
  var board = document.getElementById("board");
  board.textContent = "";
  var d = data.divisions[division];
  if (!d) return;
  board.appendChild(el("h2", "", d.name));
  board.appendChild(el("div", "reach", reachText(d)));
  board.appendChild(table(d, d.teams));
}

function showTime() {
  var g = data && data.generated ? data.generated.replace("T", " ").slice(0, 19) : "";
  document.getElementById("generated").textContent = g ? g + " 現在" : "";
}

function load() {
  var old = document.getElementById("feed");
  var s = document.createElement("script");
  s.src = "results.js?t=" + Date.now();
  s.onload = function () {
    var fresh = window.KORVEL_LIVE;
    document.getElementById("state").textContent = "";
    if (fresh && fresh.version !== shown) { data = fresh; shown = fresh.version; draw(); }
    if (fresh) { data = fresh; showTime(); }
  };
  s.onerror = function () { document.getElementById("state").textContent = "（更新できません。前のデータです）"; };
  if (old) old.parentNode.removeChild(old);
  s.id = "feed";
  document.body.appendChild(s);
}

var m = /^#d([0-9]+)$/.exec(location.hash);
if (m) division = Number(m[1]) - 1;
load();
setInterval(load, every * 1000);
</script>
</body>
</html>
)PAGE";

}  // namespace

std::string live_page() { return platform::cp932_to_utf8(PAGE); }

}  // namespace korvel
