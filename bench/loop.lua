-- The arithmetic loop of the brain benchmark in Lua: the brain's variables
-- live in its element's state, so here they are table fields.
local iterations, repeats = 100000, tonumber(arg and arg[1]) or 50
local floor = math.floor
local function factor_512(a, b) return floor(a * b / 512) end
local e = { i = 0, s = 0 }
local start = os.clock()
for _ = 1, repeats do
  e.i = 0
  e.s = 0
  while true do
    e.s = e.s + e.i * 3 + factor_512(e.i, 7)
    if e.s > 1000000 then e.s = e.s - 1000000 end
    e.i = e.i + 1
    if not (e.i < iterations) then break end
  end
end
local seconds = os.clock() - start
print(string.format("%.0f", repeats * iterations * 5 / seconds))
