-- The game-like brain of the brain benchmark in Lua, for bench/peers. The
-- brain's variables and its element's words are table fields; each built-in
-- is a Lua function that does what its handler does (random reads the same
-- table through the same position rule, wrap keeps the wrap rule).
-- Usage: game.lua RUNS  prints iterations per second;  game.lua check  prints
-- the results of one run as brain_bench --game-check does.
local floor, abs = math.floor, math.abs
local iterations = 100000

-- random.bin as a fresh installation writes it: xorshift32 from 0x51C0FFEE,
-- the top byte of each step. Written with arithmetic alone, so that Lua 5.4
-- and LuaJIT run it alike.
local function bxor(a, b)
  local r, bit = 0, 1
  for _ = 1, 32 do
    local x, y = a % 2, b % 2
    if x ~= y then r = r + bit end
    a, b, bit = (a - x) / 2, (b - y) / 2, bit * 2
  end
  return r
end
local bytes = {}
do
  local x = 0x51C0FFEE
  for k = 0, 1999 do
    x = bxor(x, (x * 8192) % 4294967296)
    x = bxor(x, floor(x / 131072))
    x = bxor(x, (x * 32) % 4294967296)
    bytes[k] = floor(x / 16777216)
  end
  bytes[2000], bytes[2001], bytes[2002] = 0, 0, 0
end
-- The table's 32-bit words at each position, halved (the draw with no
-- message-pump passes yet).
local draws = {}
for p = 1, 1996 do
  draws[p] = floor((bytes[p] + bytes[p + 1] * 256 + bytes[p + 2] * 65536 + bytes[p + 3] * 16777216) / 2)
end

local source = { pos = 0 }

local function wrap(v, lo, hi)
  if lo >= hi then return hi end
  if v >= lo and v <= hi then return v end
  local n = hi - lo + 1
  if v > hi then return lo + (v - hi - 1) % n end
  return lo + (v - lo) % n
end

local function random(a, b)
  local lo, hi = a, b
  if a > b then lo, hi = b, a end
  if lo >= hi then return lo end
  local p = source.pos
  if p >= 1996 or p == 0 then p = 1 else p = p + 1 end
  source.pos = p
  return wrap(draws[p], lo, hi)
end

local function factor_512(a, b)
  local p = a * b
  local r = floor(p / 512)
  if r == -1 and p % 512 ~= 0 then return 0 end
  return r
end

local function velocity_x_set(e, v) e.vel_x = v return 0 end
local function velocity_x(e) return e.vel_x end
local function position_x_set(e, v) e.pos_x = v return 0 end
local function position_x_add(e, v) e.pos_x = e.pos_x + v return 0 end

local function cool(e)
  e.heat = e.heat + abs(e.steer) - 2
  if e.heat < 0 then e.heat = 0 end
end

local function run(e)
  e.i = 0
  e.steer = 0
  e.score = 0
  e.heat = 0
  e.speed = 700
  position_x_set(e, 0)
  while true do
    e.r = random(0, 99)
    if e.r < 20 then
      e.steer = e.steer - 3
    else
      if e.r < 40 then
        e.steer = e.steer + 3
      else
        if e.r > 95 then e.steer = 0 end
      end
    end
    velocity_x_set(e, factor_512(e.steer, e.speed))
    position_x_add(e, velocity_x(e))
    cool(e)
    e.score = wrap(e.score + e.r - 50, -1000, 1000)
    e.i = e.i + 1
    if not (e.i < iterations) then break end
  end
end

local e = { i = 0, r = 0, steer = 0, speed = 0, score = 0, heat = 0, pos_x = 0, vel_x = 0 }
if arg and arg[1] == "check" then
  run(e)
  print(string.format("lua %d %d %d %d %d", e.pos_x, e.vel_x, e.steer, e.score, e.heat))
  return
end
local repeats = tonumber(arg and arg[1]) or 20
local start = os.clock()
for _ = 1, repeats do run(e) end
print(string.format("%.0f", repeats * iterations / (os.clock() - start)))
